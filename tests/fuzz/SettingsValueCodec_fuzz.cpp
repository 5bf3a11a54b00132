// Fuzzing target of the settings value codec: any bytes, encoded and decoded
// again, come back exactly (also when fed to the encoder in two pieces), and
// decoding any bytes as a written value never fails.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/SettingsValueCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as a written value: whatever they hold, they decode.
    (void)bw::DecodeSettingsValue(bytes);

    // The bytes as a text: its written form gives it back.
    const std::string written = bw::EncodeSettingsValue(bytes);
    if (bw::DecodeSettingsValue(written) != bytes) std::abort();

    // The same text in two pieces, cut where its first byte says.
    const std::size_t cut = size ? data[0] % (size + 1) : 0;
    bw::SettingsValueEncoder encoder;
    encoder.Append(bytes.substr(0, cut));
    encoder.Append(bytes.substr(cut));
    if (encoder.Finish() != written) std::abort();
    return 0;
}
