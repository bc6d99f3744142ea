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
// Where "Play DVD disk" finds a disc: the mounted optical volumes (ISO 9660, UDF) in the mount
// table's order, then the optical drives not mounted, read directly. The disc's VIDEO_TS.IFO
// ("<drive>/VIDEO_TS/VIDEO_TS.IFO" for a drive read directly); empty when none holds a DVD.
std::string FindDvd(const std::string& mounts, const std::vector<std::string>& drives);
// The same on this system: /proc/self/mounts and the drives /dev/sr0, /dev/sr1, ...
std::string FindDvd();
// Whether the ISO 9660 directory of a disc (a drive or an image file) holds VIDEO_TS/VIDEO_TS.IFO.
bool DiscHoldsDvd(const std::string& device);

// "label (mount point)" for the menu.
std::string VolumeCaption(const TVolume& v);

} // namespace zv
