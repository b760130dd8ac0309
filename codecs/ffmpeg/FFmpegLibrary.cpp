#include "codecs/ffmpeg/FFmpegLibrary.h"

namespace deraz {

const TCodecBinding<TAvUtilApi>& AvUtilLibrary() {
    static const TCodecBinding<TAvUtilApi> Library(TCodecLibraryId::AvUtil);
    return Library;
}

const TCodecBinding<TAvCodecApi>& AvCodecLibrary() {
    static const TCodecBinding<TAvCodecApi> Library(TCodecLibraryId::AvCodec);
    return Library;
}

const TCodecBinding<TAvFormatApi>& AvFormatLibrary() {
    static const TCodecBinding<TAvFormatApi> Library(TCodecLibraryId::AvFormat);
    return Library;
}

bool FFmpegLoaded() {
    static const bool Loaded = [] {
        if (!AvUtilLibrary().Loaded() || !AvCodecLibrary().Loaded() || !AvFormatLibrary().Loaded())
            return false;
        // Decoding errors are reported by the components, one line each; the libraries' own
        // log would repeat them on standard error.
        AvUtilLibrary()->av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    return Loaded;
}

void RequireFFmpeg() {
    if (FFmpegLoaded()) return;
    RequireLibrary(AvUtilLibrary());
    RequireLibrary(AvCodecLibrary());
    RequireLibrary(AvFormatLibrary());
}

} // namespace deraz
