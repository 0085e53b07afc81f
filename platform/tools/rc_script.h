// Reading the part of a Windows resource script that the stand-in layer
// serves, at build time: icon groups and tables of virtual-key accelerators,
// with #include and #define of identifiers. Anything else is refused.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zorbel::standin {

struct RcAccelerator {
    unsigned flags = 0; // FVIRTKEY, FNOINVERT, FSHIFT, FCONTROL, FALT
    unsigned key = 0;
    unsigned command = 0;
};

struct RcScript {
    struct Icon {
        unsigned id = 0;
        std::string file; // resolved against the script's directory
    };
    struct AcceleratorTable {
        unsigned id = 0;
        std::vector<RcAccelerator> entries;
    };
    std::vector<Icon> icons;
    std::vector<AcceleratorTable> tables;
    std::vector<std::string> inputs; // every file read, for build dependencies
};

// Reads a file's text; false when it cannot.
using RcFileReader = std::function<bool(const std::string &path, std::string *text)>;

// False with a message naming the file and line on anything it cannot read;
// other resource types are an error too, so nothing is silently left out.
bool ParseRcScript(const std::string &path, const RcFileReader &read, RcScript *script,
                   std::string *error);

} // namespace zorbel::standin
