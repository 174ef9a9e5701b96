// CPathList: a list of paths held in memory, read as the paths of one drop.
// Used by the command-line tool (its arguments) and the tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "batch/BatchExtractor.h"

class CPathList : public IDropList {
public:
    explicit CPathList(std::vector<std::u16string> paths) : m_paths(std::move(paths)) {}
    virtual ~CPathList() = default;

    int32_t GetCount() override { return int32_t(m_paths.size()); }
    uint32_t GetPathLength(int32_t index) override { return uint32_t(m_paths[size_t(index)].size()); }
    void CopyPath(int32_t index, char16_t* buf, size_t capacity) override {
        CopyText(buf, capacity, m_paths[size_t(index)].c_str(), m_paths[size_t(index)].size());
    }

private:
    std::vector<std::u16string> m_paths;
};
