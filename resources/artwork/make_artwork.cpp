// Writes the tile bitmaps and the program icon into the folder given, which
// is normally resources/ itself: make_artwork resources
#include <cstdio>
#include <string>

#include "resources/artwork/bitmap_files.h"
#include "resources/resource_ids.h"

namespace {

constexpr int PalettedTile = IDB_TILE_2;  // the one image stored with a palette

bool WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const TileFace& tile : TileFaces) {
        const bool paletted = tile.Id == PalettedTile;
        const Bytes bitmap = EncodeTileBitmap(tile, paletted ? 8 : 24, paletted ? 2834 : 2835);
        const std::string path = folder + "/tile" + std::to_string(tile.Id) + ".bmp";
        if (!WriteFile(path, bitmap)) {
            std::fprintf(stderr, "make_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    if (!WriteFile(folder + "/brasswick.ico", EncodeProgramIcon())) {
        std::fprintf(stderr, "make_artwork: cannot write the icon\n");
        return 1;
    }
    return 0;
}
