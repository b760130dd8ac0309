#include "codecs/WholeBytePcm.h"

namespace deraz {

void RequireWholeBytePcm(TACSInput& Input, const std::string& Format) {
    const int32_t Bits = Input.BitsPerSample();
    const int32_t Channels = Input.Channels();
    if (Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32)
        throw EACSException(Format + " output holds 8 to 32 bits per sample; the input has " +
                            std::to_string(Bits) + ".");
    if (Channels < 1 || Channels > 8)
        throw EACSException(Format + " holds at most 8 channels here; the input has " +
                            std::to_string(Channels) + ".");
}

} // namespace deraz
