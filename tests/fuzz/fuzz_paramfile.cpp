// The parameter file reader on any text: a file it takes must come back
// unchanged through the writer, one it refuses must leave the values alone.
#include <string_view>

#include "core/paramfile.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    core::ParamFileValues values, before, reread{};
    before.fill(0xDEADBEEF);
    values = before;
    if (core::ParseParamFile(std::string_view(reinterpret_cast<const char*>(data), size), values))
        FUZZ_CHECK(core::ParseParamFile(core::FormatParamFile(values), reread) && reread == values);
    else
        FUZZ_CHECK(values == before);
    return 0;
}
