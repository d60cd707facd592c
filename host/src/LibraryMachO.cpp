// The POSIX Library's path for macOS dylibs: the file is read whole and mapped by MachOImage.
#include <fstream>

#include "Library.h"
#include "MachOImage.h"
#include "PluginFile.h"

namespace quorvex::detail {

bool Library::isMachO(const std::string& path) {
  std::uint8_t head[4] = {};
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return in.gcount() == sizeof head && MachOImage::recognises(head, sizeof head);
}

bool Library::openMachO(const std::string& path, std::string* error) {
  std::string bytes;
  std::string reason = readPluginFile(path, &bytes);
  std::unique_ptr<MachOImage> image;
  if (reason.empty()) {
    image = MachOImage::load(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), {},
                             &reason);
  }
  if (image == nullptr) {
    if (error != nullptr) *error = "cannot load " + path + ": " + reason;
    return false;
  }
  image_ = image.release();
  return true;
}

}  // namespace quorvex::detail
