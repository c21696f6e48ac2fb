// The linearisation file reader on any text: a table it takes must read back
// the same from its own values printed one per line; one it refuses must
// leave the values alone.
#include <string>
#include <string_view>

#include "core/linfile.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    core::LinFileValues values, before, reread{};
    before.fill(-4321);
    values = before;
    if (core::ParseLinFile(std::string_view(reinterpret_cast<const char*>(data), size), values)) {
        std::string printed;
        for (std::int16_t v : values)
            printed += std::to_string(v) + "\r\n";
        FUZZ_CHECK(core::ParseLinFile(printed, reread) && reread == values);
    } else {
        FUZZ_CHECK(values == before);
    }
    return 0;
}
