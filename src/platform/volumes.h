#pragma once

#include <string>
#include <vector>

class QDBusConnection;

namespace zv {

// A mounted optical or removable volume: what the drive menu shows and where a scan looks.
struct TVolume {
  std::string label; // the file system's label, else the mount point's last part
  std::string mountPoint;
  friend bool operator==(const TVolume&, const TVolume&) = default;
};

// The mounted optical and removable volumes by mount point: the disks service (UDisks2) on the
// system bus, or, where it does not answer, the mount table.
std::vector<TVolume> RemovableVolumes();
// The same from a disks service on `bus`; false in `reached` when none answered.
std::vector<TVolume> UDisksVolumes(const QDBusConnection& bus, bool& reached);
// The same from the text of /proc/self/mounts: ISO 9660 and UDF file systems, and whatever is
// mounted under /media or /run/media.
std::vector<TVolume> MountTableVolumes(const std::string& mounts);
// "label (mount point)" for the menu.
std::string VolumeCaption(const TVolume& v);

} // namespace zv
