// What the window does with a dropped path that is no custom file: a folder
// is packed back into a file (against its original when its manifest is
// beside it), a .vpatch file is applied to its original. Portable, on the
// same modules as vanto-pack; every result is written into the output folder
// as a new file under a free name, complete or not at all, never replacing
// anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IPlatform;

// The front end's side of a job: its log and its stop.
class IJobReport {
public:
    // One finished line, already in the UI language.
    virtual void Say(const std::u16string& line) = 0;
    // Called between steps; the front end serves its messages. False stops
    // the job before it writes anything.
    virtual bool GoOn() = 0;

protected:
    ~IJobReport() = default;
};

enum class EDropJob {
    NotMine,  // neither a folder nor a patch: extracted as a custom file
    Done,     // the file was written
    Failed,   // refused or failed; the log says why
    Stopped,  // GoOn said stop: nothing was written
};

// Whether the window hands the path to DoDropJob rather than extracting it:
// a folder, or a file whose name ends in ".vpatch" (any letter case).
bool IsDropJob(const std::u16string& path);

struct SDropJobOptions {
    std::u16string strOutputFolder;  // absolute, without a trailing separator
    bool bJapanese = false;
    unsigned nCodePage = 932;        // of names in messages (a manifest's own wins)
};

// Packs the folder or applies the patch at path, as IsDropJob tells.
EDropJob DoDropJob(const std::u16string& path, const SDropJobOptions& options, IJobReport& report);

// Writes bytes into the open output root as `name`, or when that is taken as
// the first free "STEM (2).EXT", "STEM (3).EXT", ... (up to 9999); written
// gets the name used. False when none could be written.
bool WriteUnderFreeName(IPlatform& platform, const std::u16string& name, const std::vector<uint8_t>& bytes,
                        std::u16string& written);
