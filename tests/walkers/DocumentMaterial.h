#pragma once
// Material for the document and archive walker tests: one scratch folder per
// test program, filled once by document_material.py (python3) with the files
// that no installed tool writes. Tools that do write a format are run by the
// tests themselves.

#include "walkers/WalkerTestSupport.h"

#include <memory>

namespace walkertest {

inline const std::string kMaterialDir = OSTREL_SOURCE_DIR "/tests/material";

// The folder holding the python-made files; empty when python3 is missing or
// the script failed (the tests that need it then skip).
inline std::string documentMaterial()
{
    static std::unique_ptr<ScratchDir> dir;
    static bool made = false;
    if (!dir) {
        dir = std::make_unique<ScratchDir>();
        made = haveTool("python3") && run("python3 " OSTREL_SOURCE_DIR "/tests/walkers/document_material.py " +
                                          dir->path().string() + " " + kMaterialDir + "/photo.jpg");
    }
    return made ? dir->path().string() : std::string();
}

} // namespace walkertest
