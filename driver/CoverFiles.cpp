#include "driver/CoverFiles.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "driver/FileNames.h"
#include "driver/OutputFiles.h"
#include "platform/Paths.h"

namespace deraz {

namespace fs = std::filesystem;

bool IsCoverPicture(const std::string& FileName) {
    static const char* const Names[] = {"cover", "folder",   "front",         "back",
                                        "album", "albumart", "albumartsmall", "artwork"};
    static const char* const Extensions[] = {".jpg", ".jpeg", ".png", ".gif", ".bmp", ".webp"};
    std::string Name = LowerCase(ExtractFileName(FileName));
    std::string Ext = ExtractFileExt(Name);
    std::string Stem = Name.substr(0, Name.size() - Ext.size());
    auto Holds = [](const auto& List, const std::string& Text) {
        return std::find(std::begin(List), std::end(List), Text) != std::end(List);
    };
    // The media player's own pictures: "AlbumArt_{...}_Large.jpg".
    return Holds(Extensions, Ext) && (Holds(Names, Stem) || Stem.starts_with("albumart_"));
}

void CopyCoverPictures(const std::string& FromFolder, const std::string& ToFolder) {
    auto Missing = [](const fs::path& Path) {
        std::error_code Error;
        return fs::symlink_status(Path, Error).type() == fs::file_type::not_found;
    };
    std::error_code Error;
    for (fs::directory_iterator Entry(PathOf(FromFolder), Error), End; !Error && Entry != End;
         Entry.increment(Error)) {
        std::error_code EntryError;
        if (!Entry->is_regular_file(EntryError) || !IsCoverPicture(NameOf(Entry->path().filename())))
            continue;
        fs::path Target = PathOf(ToFolder) / Entry->path().filename();
        if (!Missing(Target)) continue;
        // Copied under a temporary name first, so a failed copy never leaves a broken picture.
        std::string Temporary = TemporaryOutputName(NameOf(Target));
        if (fs::copy_file(Entry->path(), PathOf(Temporary), EntryError) && Missing(Target))
            fs::rename(PathOf(Temporary), Target, EntryError);
        DiscardOutput(Temporary); // what a failed copy left; nothing after the rename
    }
}

} // namespace deraz
