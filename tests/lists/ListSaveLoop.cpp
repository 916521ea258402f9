// Saves the six list files into a folder again and again, each round with the other of two sets
// of contents (starting with the one given), until it is killed. The crash-safety test kills it
// at random moments.
#include <cstdio>
#include <string>
#include <vector>

#include "ListFile.h"
#include "ListFileIO.h"
#include "ListModel.h"
#include "SaveLoopContents.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: list_save_loop FOLDER FIRST-VERSION\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const unsigned first = argv[2][0] == '1' ? 1 : 0;
    const lists::TStrings stems = lists::BuildFileStems();
    for (unsigned round = 0;; ++round) {
        for (std::size_t list = 0; list < stems.size(); ++list)
            lists::ReplaceFile(folder + stems[list] + ".ID",
                               lists::FormatListFile(SaveLoopContents(list, (first + round) % 2)));
    }
}
