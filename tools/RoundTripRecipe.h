// The round-trip fuzzer's inputs: recipes whose bytes choose the entries of a
// well-formed custom file (children, gzip and stored payloads, names that are
// refused or renamed on the way out, names with dots, separators and cmap
// folders in every place). Also for turning the fuzzer's corpus
// into custom files that tests/check-round-trip runs through the programs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/Bytes.h"

// Reads the recipe's bytes; zeros once it is used up.
class CRecipe {
public:
    CRecipe(const uint8_t* data, size_t size) : m_p(data), m_n(size) {}
    unsigned Next() { return m_i < m_n ? m_p[m_i++] : 0; }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_i = 0;
};

// The custom file the recipe describes, read from its start; the bytes after
// it are left for the caller.
Bytes BuildRecipeFile(CRecipe& recipe);
