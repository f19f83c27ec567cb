// Picks the colour-space glue modes' row functions for the active level.
#include "kernels/colour_space_rows.h"

#include "kernels/vector_levels.h"

namespace {

using RowsByMode = ColourSpaceRow (*)(int32_t mode);
constexpr LevelTable<RowsByMode> kRowsByLevel = {nullptr, colourSpaceRowBase, TWL_X86_ENTRY(colourSpaceRowAvx2),
                                                 TWL_X86_ENTRY(colourSpaceRowAvx512)};

}  // namespace

ColourSpaceRow colourSpaceRowFor(SimdLevel level, int32_t mode) {
    const RowsByMode rows = kRowsByLevel[level];
    return rows ? rows(mode) : nullptr;
}
