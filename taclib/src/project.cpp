#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "call_log.h"
#include "tac_state.h"

using taclib::CallLog;
using taclib::LogNote;

namespace {

// Reads at most one byte more than a project may hold, so that an oversized
// file is recognised without reading all of it.
bool ReadWhole(char const *fileName, std::vector<char> *bytes, std::string *why)
{
    std::FILE *f = std::fopen(fileName, "rb");
    if (f == nullptr) {
        *why = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    bytes->resize(taclib::kMaxProjectBytes + 1);
    std::size_t got = std::fread(bytes->data(), 1, bytes->size(), f);
    bool failed = std::ferror(f) != 0;
    int error = errno;
    (void)std::fclose(f);  // read-only: nothing to lose on close
    if (failed) {
        *why = std::string("cannot read the file: ") + std::strerror(error);
        return false;
    }
    bytes->resize(got);
    return true;
}

bool Load(TacProjectState *state, char const *fileName)
{
    if (fileName == nullptr) {
        state->error = "no file name";
        return false;
    }
    std::vector<char> bytes;
    if (!ReadWhole(fileName, &bytes, &state->error)) return false;
    taclib::ParseError error;
    if (!taclib::ParseProject(bytes.data(), bytes.size(), &state->data, &error)) {
        state->error = error.reason;
        state->errorLine = error.line;
        return false;
    }
    return true;
}

}  // namespace

CTacProject::CTacProject() : state_(new TacProjectState) { CallLog("CTacProject", "CTacProject"); }

CTacProject::~CTacProject()
{
    CallLog("CTacProject", "~CTacProject");
    delete state_;
}

int CTacProject::OpenFile(char const *fileName, CTacDevice *device)
{
    CallLog log("CTacProject", "OpenFile");
    log.Text(fileName).Pointer(device);
    TacProjectState &state = *state_;
    state = TacProjectState{};
    state.open = Load(&state, fileName);
    if (!state.open) {
        state.data = taclib::ProjectData{};
        LogNote("error: " + (state.errorLine > 0 ? "line " + std::to_string(state.errorLine) + ": " : std::string()) +
                state.error);
        return log.Result(0);
    }
    state.device = TacAccess::Core(device);
    return log.Result(1);
}

void CTacProject::Close()
{
    CallLog("CTacProject", "Close");
    state_->open = false;
    state_->data = taclib::ProjectData{};
    state_->device.reset();
}

char const *CTacProject::LastError() const { return state_->error.c_str(); }

int CTacProject::LastErrorLine() const { return state_->errorLine; }
