// The manifest of one extracted file: everything vanto-pack needs to build
// it again, byte for byte where nothing changed (docs/manifest.md).
//
// Fed by CCliExtractor with the engine's entry and container events of one
// file, in walk order; the text is written beside the output folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "extract/ExtractCallback.h"
#include "manifest/ManifestFormat.h"

class CManifestBuilder {
public:
    // A new file: its path as given and as an absolute path (empty when it
    // cannot be had), and the code page of its entry names.
    void Begin(const std::u16string& path, const std::u16string& absolutePath, unsigned codePage);
    void AddEntry(const SEntryEvent& entry);
    void EndContainer(const SContainerEnd& end);
    // The manifest's text for the output folder `folder`; empty when the
    // walk did not reach the end of the file's own container.
    std::string Finish(const char16_t* folder);

private:
    struct SOpen {
        nlohmann::ordered_json container;
        int32_t nOffset = 0;  // its bytes in the file
        int32_t nEnd = 0;
    };

    nlohmann::ordered_json m_source;
    unsigned m_nCodePage = 0;
    std::vector<SOpen> m_open;  // the file's container, then each child being walked
    nlohmann::ordered_json m_root;
    bool m_bComplete = false;
};
