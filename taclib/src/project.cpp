#include <algorithm>
#include <string>
#include <vector>

#include "call_log.h"
#include "file_access.h"
#include "notice.h"
#include "tac_state.h"

using taclib::CallLog;
using taclib::LogNote;

namespace {

// Finds and reads the project. A name without a folder is looked up in the
// places ProjectPlaces gives, the first one that exists being the one read;
// *opened is then the path found. One that another user could have put
// there is skipped with a notice, and the next place tried. Each place is
// opened once, and what was opened is what is checked and read.
bool Load(TacProjectState *state, const char *fileName, std::string *opened)
{
    if (fileName == nullptr) {
        state->error = "no file name";
        return false;
    }
    // One byte more than a project may hold, so that an oversized file is
    // recognised without reading all of it.
    std::vector<char> bytes;
    if (taclib::HasFolder(fileName) || *fileName == '\0') {
        if (taclib::ReadProjectFile(fileName, false, taclib::kMaxProjectBytes, &bytes,
                                    &state->error) != taclib::ProjectRead::kRead) {
            if (state->error.rfind("cannot ", 0) != 0)
                state->error = "cannot open the file: " + state->error;
            return false;
        }
    } else {
        const std::vector<std::string> places = taclib::ProjectPlaces(fileName);
        auto found = std::find_if(places.begin(), places.end(), [&](const std::string &place) {
            std::string why;
            switch (taclib::ReadProjectFile(place, true, taclib::kMaxProjectBytes, &bytes, &why)) {
            case taclib::ProjectRead::kMissing:
                return false;
            case taclib::ProjectRead::kUntrusted:
                taclib::Notice("skipped the effect project " + place + ": " + why);
                return false;
            case taclib::ProjectRead::kFailed:
                state->error = why;
                return true;
            case taclib::ProjectRead::kRead:
                break;
            }
            return true;
        });
        if (found == places.end()) {
            state->notFound = true;
            state->error = "cannot open the file: not in the current folder";
            for (std::size_t i = 1; i < places.size(); ++i)
                state->error += (i + 1 == places.size() ? " or " : ", ") + places[i];
            return false;
        }
        if (!state->error.empty())
            return false;
        *opened = *found;
    }
    taclib::ParseError error;
    if (!taclib::ParseProject(bytes.data(), bytes.size(), &state->data, &error)) {
        state->error = error.reason;
        state->errorLine = error.line;
        return false;
    }
    return true;
}

} // namespace

CTacProject::CTacProject() : state_(new TacProjectState) { CallLog("CTacProject", "CTacProject"); }

CTacProject::~CTacProject()
{
    CallLog("CTacProject", "~CTacProject");
    delete state_;
}

int CTacProject::SearchPlace(const char *fileName, int index, char *path, unsigned long size)
{
    if (fileName == nullptr || path == nullptr || index < 0)
        return 0;
    const std::vector<std::string> places = taclib::ProjectPlaces(fileName);
    if (static_cast<std::size_t>(index) >= places.size())
        return 0;
    const std::string &place = places[static_cast<std::size_t>(index)];
    if (place.size() >= size)
        return 0;
    std::copy(place.begin(), place.end(), path);
    path[place.size()] = '\0';
    return 1;
}

int CTacProject::OpenFile(const char *fileName, CTacDevice *device)
{
    CallLog log("CTacProject", "OpenFile");
    log.Text(fileName).Pointer(device);
    TacProjectState &state = *state_;
    state = TacProjectState{};
    std::string opened;
    state.open = Load(&state, fileName, &opened);
    if (!state.open) {
        state.data = taclib::ProjectData{};
        const std::string where =
            state.errorLine > 0 ? "line " + std::to_string(state.errorLine) + ": " : "";
        LogNote("error: " + where + state.error);
        // A project found nowhere is the usual case, not worth a word.
        if (!state.notFound)
            taclib::Notice(std::string("the effect project ") +
                           (fileName != nullptr ? fileName : "(none)") + " is not used: " + where +
                           state.error);
        return log.Result(0);
    }
    state.device = TacAccess::Core(device);
    if (!opened.empty())
        LogNote("found " + opened);
    return log.Result(1);
}

void CTacProject::Close()
{
    CallLog("CTacProject", "Close");
    state_->open = false;
    state_->data = taclib::ProjectData{};
    state_->device.reset();
}

const char *CTacProject::LastError() const { return state_->error.c_str(); }

int CTacProject::LastErrorLine() const { return state_->errorLine; }
