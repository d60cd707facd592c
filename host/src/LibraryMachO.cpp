// The POSIX Library's path for macOS dylibs: the file is read whole and mapped by MachOImage.
#include <fstream>
#include <vector>

#include "Library.h"
#include "MachOImage.h"

namespace quorvex::detail {
namespace {

// The whole file is read before it is mapped; the plug-in is a few hundred KiB.
constexpr std::streamoff kMaxFile = std::streamoff{256} << 20;

}  // namespace

bool Library::isMachO(const std::string& path) {
  std::uint8_t head[4] = {};
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return in.gcount() == sizeof head && MachOImage::recognises(head, sizeof head);
}

bool Library::openMachO(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in.tellg();
  std::string reason;
  std::vector<std::uint8_t> bytes;
  if (size < 0 || size > kMaxFile) {
    reason = size < 0 ? "cannot read the file" : "larger than any plug-in (over 256 MiB)";
  } else {
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (in.gcount() != size) reason = "cannot read the file";
  }
  std::unique_ptr<MachOImage> image;
  if (reason.empty()) image = MachOImage::load(bytes.data(), bytes.size(), {}, &reason);
  if (image == nullptr) {
    if (error != nullptr) *error = "cannot load " + path + ": " + reason;
    return false;
  }
  image_ = image.release();
  return true;
}

}  // namespace quorvex::detail
