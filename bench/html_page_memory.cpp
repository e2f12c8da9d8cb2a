// Peak memory of an HTML export whose page is far larger than the result: a
// template with a large detail block over the 2,000-company sample gives a
// page of about 350 MB. Ours renders into the output file as it goes; the peer,
// measured in the same run, builds the whole page in memory and writes it at
// the end. Each runs in a process of its own, whose peak resident size
// (ru_maxrss) is reported against the size of the page.
//
//   bench_html_page_memory [--companies N] [--megabytes M]   (defaults 2000 and 350)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchUtil.h"
#include "data/AtomicFile.h"
#include "data/uDM.h"
#include "export/TemplateProccessor.h"

using namespace orbisk;

namespace {

struct Peak {
  long loadedKb = 0;  // after opening the result, before the export
  long peakKb = 0;    // at the end of the export
};

long MaxRssKb() {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Opens every company of the directory as the company search does.
void OpenCompanies(TDM& dm, const std::string& directory) {
  dm.ADOConnection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + directory);
  dm.Company_Q.SetSQL(
      "select  Company_ID,Company_Name,Location_Address,Location_Address_Postal,TelAreaCode,Telephone,"
      "Toll_Free_Phone,Fax,Email,Website_URL,Year_Established,Exporting,Number_of_Employees   from Company_Info "
      " where  1=1  Order By Company_ID");
  dm.Company_Q.Open();
}

// Runs one export in a child process and returns its memory figures.
Peak Measure(bool streaming, const std::string& directory, const std::string& templateFile,
             const std::string& output) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Peak p;
    try {
      TDM dm;
      OpenCompanies(dm, directory);
      p.loadedKb = MaxRssKb();
      if (streaming) {
        ExportHtmlByTemplate(dm.Company_Q, templateFile, output);
      } else {
        TTextTemplate tmpl;
        LoadTemplate(tmpl, templateFile, tkDetail);
        std::string page;
        ProcessTemplate(tmpl, nullptr, nullptr, &dm.Company_Q, nullptr, nullptr, page,
                        RenderOptions{ValueEscaping::Html, {}, {}});
        page.append("\r\n");
        WriteFileAtomically(output, page);
      }
      p.peakKb = MaxRssKb();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      _exit(1);
    }
    if (write(fds[1], &p, sizeof p) != static_cast<ssize_t>(sizeof p)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Peak p;
  const ssize_t n = read(fds[0], &p, sizeof p);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (n != static_cast<ssize_t>(sizeof p) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("the export did not finish");
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  const int companies = static_cast<int>(bench::Option(argc, argv, "--companies", 2000));
  const long long megabytes = bench::Option(argc, argv, "--megabytes", 350);
  const std::string directory = bench::GeneratedDirectory(companies);
  const std::string work = bench::Folder() + "/html-page";
  std::filesystem::create_directories(work);

  // One row's body: the company's fields and enough fixed text to reach the page size.
  const long long perRow = megabytes * 1000 * 1000 / companies;
  std::string body = "<tr><td>{$Company_ID}</td><td>{$Company_Name}</td><td>{$Location_Address}</td>"
                     "<td>{$Telephone}</td><td>{$Email}</td></tr>\r\n";
  std::string filler = "<tr><td colspan=\"5\">" + std::string(static_cast<size_t>(perRow > 200 ? perRow - 200 : 0), '.') +
                       "</td></tr>\r\n";
  const std::string templateFile = work + "/big_template.htm";
  WriteFileAtomically(templateFile, "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"></head><body><table>\r\n"
                                    "<!--#DetailBegin-->" + body + filler + "<!--#DetailEnd-->\r\n</table></body></html>\r\n");
  const std::string ours = work + "/page-streamed.htm";
  const std::string peer = work + "/page-in-memory.htm";

  const Peak streamed = Measure(true, directory, templateFile, ours);
  const Peak inMemory = Measure(false, directory, templateFile, peer);
  const double pageMb = static_cast<double>(std::filesystem::file_size(ours)) / (1024.0 * 1024.0);
  const bool same = std::filesystem::file_size(ours) == std::filesystem::file_size(peer) &&
                    std::system(("cmp -s '" + ours + "' '" + peer + "'").c_str()) == 0;
  std::printf("HTML page of %d companies: %.1f MB (template %.1f KB); both pages %s\n", companies, pageMb,
              static_cast<double>(std::filesystem::file_size(templateFile)) / 1024.0,
              same ? "identical" : "DIFFER");
  std::printf("%-34s loaded %7.1f MB  peak %7.1f MB  peak/page %5.2f\n", "streamed into the file (ours)",
              streamed.loadedKb / 1024.0, streamed.peakKb / 1024.0, streamed.peakKb / 1024.0 / pageMb);
  std::printf("%-34s loaded %7.1f MB  peak %7.1f MB  peak/page %5.2f\n", "built in memory (peer)",
              inMemory.loadedKb / 1024.0, inMemory.peakKb / 1024.0, inMemory.peakKb / 1024.0 / pageMb);
  const double ratio = static_cast<double>(streamed.peakKb) / static_cast<double>(inMemory.peakKb);
  std::printf("peak ours / peak peer %.3f; ours %.1f MB (target <= 120 MB) %s\n", ratio, streamed.peakKb / 1024.0,
              streamed.peakKb <= 120 * 1024 && same ? "ok" : "OVER");
  std::filesystem::remove(ours);
  std::filesystem::remove(peer);
  return same ? 0 : 1;
}
