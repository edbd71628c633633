// The input is a whole .xlsx file.
#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    brv::fuzz::exercise(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
