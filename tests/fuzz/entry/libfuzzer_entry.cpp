// The libFuzzer entry point of one fuzz program: VELKARO_FUZZ_ENTRY names
// the target function (velkaro_fuzz_<name>) this program drives.
#include <cstddef>
#include <cstdint>

int VELKARO_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return VELKARO_FUZZ_ENTRY(data, size);
}
