#include "driver/CopyCompatible.h"

#include <filesystem>
#include <stdexcept>

#include "driver/BitrateCap.h"
#include "platform/Paths.h"

namespace deraz {

bool CanCopyUnchanged(const TOutputChoice& Choice, const std::string& InputExt, const TPcmFormat& Format,
                      int32_t InputKbps) {
    const TFormat* Output = FormatOfOutput(Choice.DestExt);
    if (!Output || Output != FindInputFormat(InputExt) || Output->SinkCode == scWaveOut) return false;
    if (Choice.ReplayGain != gmOff || Choice.ApplyGain != gmOff) return false;
    auto Rates = LevelBitrates(Choice.DestExt);
    const bool Lossy = !Rates.empty();
    if (Lossy && (InputKbps <= 0 || Choice.Bitrate < 0 || size_t(Choice.Bitrate) >= Rates.size() ||
                  InputKbps > Rates[size_t(Choice.Bitrate)]))
        return false;
    return !PlanDeviceOutput(Choice.Limits, Format, Lossy).Changes();
}

void CopyUnchanged(const std::string& InputName, const std::string& TemporaryName) {
    std::error_code Error;
    std::filesystem::copy_file(PathOf(InputName), PathOf(TemporaryName),
                               std::filesystem::copy_options::overwrite_existing, Error);
    if (Error) throw std::runtime_error("Cannot copy to " + TemporaryName + ": " + Error.message());
}

} // namespace deraz
