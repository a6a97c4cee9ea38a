#pragma once

// A tiny file system of its own (tmpfs) mounted on a folder, so that a test
// can fill it: writes past its size fail as on a full disk. Mounting needs
// root (or a mount namespace); where it fails, mounted() is false and reason()
// says why, for GTEST_SKIP.

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace roofplanes::testing {

class SmallDisk {
 public:
  SmallDisk(const std::filesystem::path& folder, const std::string& size) : folder_(folder) {
    std::filesystem::create_directories(folder_);
    const std::string options = "size=" + size;
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) reason_ = "cannot mount a " + size + " tmpfs on " + folder_.string() + ": " + std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  std::string reason_;
};

}  // namespace roofplanes::testing
