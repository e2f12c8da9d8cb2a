// The Jet reader the Access export runs on a file the user picked, inside the
// window's process: any bytes as the file, loaded as pages, its catalog read
// (MSysObjects, MSysACEs and their indexes), a table looked up, and a table
// with a row added to it in memory (nothing is written).
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/jet/JetFormat.h"
#include "data/jet/JetWriter.h"

using namespace orbisk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The bytes as a file with a path, as the export opens it.
  static const int fd = ::memfd_create("jet", MFD_CLOEXEC);
  if (fd < 0 || ::ftruncate(fd, 0) != 0) return 0;
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) return 0;
    done += static_cast<size_t>(n);
  }
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  try {
    jet::JetWriter w(path, jet::JetWriter::Mode::OpenExisting);
    (void)w.HasTable("Company");
    const int t = w.CreateTable({"Company", {jet::LongColumn("Company_ID"), jet::TextColumn("Company_Name", 80),
                                             jet::MemoColumn("Company_Description")}});
    w.AppendRow(t, {Value(17), Value("Société Générale Québec"), Value(std::string(5000, 'x'))});
  } catch (const jet::JetError&) {
    // A damaged or foreign file is refused with a message: what the user gets.
  }
  return 0;
}
