// A temporary device tree for storage tests and benchmarks: the device root is a fresh
// mkdtemp folder, the java root maps to its "java" folder (created), the other roots to
// their own, and the registry points at a file inside it.
#pragma once

#include "platform/fs.h"
#include "platform/gfs.h"
#include "platform/registry.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class DeviceTree {
public:
    // base: the host folder the tree is made in; tests that flush a lot of small writes
    // may take a memory-backed one.
    explicit DeviceTree(const char* base = "/tmp") {
        std::string tmpl = std::string(base) + "/movane-storage-XXXXXX";
        const char* d = mkdtemp(&tmpl[0]);
        if (d == nullptr) abort();
        root_ = d;
        FsSetDeviceRoot(root_.c_str());
        RegistrySetFile((root_ + "/registry.reg").c_str());
        static const char* const folders[] = {"\\java",    "\\sdc_root", "\\sdc_secure", "\\sd-card",
                                              "\\current", "\\drm",      "\\drm-sd"};
        for (int row = 0; row < GFS_ROW_COUNT; row++) {
            GfsSetPhysicalPath(row, folders[row]);
            mkdir(host(folders[row]).c_str(), 0777);
        }
    }
    ~DeviceTree() {
        std::string cmd = "rm -rf '" + root_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
    // Host path of a device path ("\java\suites.idx").
    std::string host(const std::string& device) const {
        std::string out = root_;
        for (char c : device) out.push_back(c == '\\' ? '/' : c);
        return out;
    }
    std::string javaFile(const std::string& name) const { return host("\\java\\" + name); }
    std::vector<uint8_t> read(const std::string& hostPath) const {
        std::ifstream in(hostPath, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& hostPath) const {
        struct stat st;
        return stat(hostPath.c_str(), &st) == 0;
    }
    void write(const std::string& hostPath, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
        out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
    }
    const std::string& root() const { return root_; }

private:
    std::string root_;
};
