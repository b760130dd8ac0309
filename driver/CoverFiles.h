// Cover pictures: the picture files that sit beside an album's audio under the names players
// look for, carried along to the album's converted files.
#pragma once

#include <string>

namespace deraz {

// Whether a file name is a usual name of a cover picture, in any case: "cover.jpg", "Folder.JPG",
// "front.png", "AlbumArtSmall.jpg", ...
bool IsCoverPicture(const std::string& FileName);

// Copies the cover pictures found in FromFolder into ToFolder, each unless ToFolder holds a file
// of its name already. A picture that cannot be copied is left out; nothing half-copied remains.
void CopyCoverPictures(const std::string& FromFolder, const std::string& ToFolder);

} // namespace deraz
