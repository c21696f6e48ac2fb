// The parameter file reader on any text: a file it takes must come back
// unchanged through the writer, one it refuses must leave the values alone.
#include <string>
#include <string_view>

#include "core/paramfile.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    core::ParamFileValues values;
    values.fill(0xDEADBEEF);
    const core::ParamFileValues before = values;
    if (!core::ParseParamFile(std::string_view(reinterpret_cast<const char*>(data), size), values)) {
        FUZZ_CHECK(values == before);
        return 0;
    }
    const std::string written = core::FormatParamFile(values);
    core::ParamFileValues reread{};
    FUZZ_CHECK(written.size() == 12 * core::kParamFileValues);  // "%10u\r\n", 32-bit values
    FUZZ_CHECK(core::ParseParamFile(written, reread) && reread == values);
    return 0;
}
