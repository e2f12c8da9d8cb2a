#include "export/TemplateParser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>

#include "data/Message.h"
#include "data/ProgramFiles.h"
#include "export/TextFile.h"
#include "strutil/ByteSearch.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

constexpr std::string_view kDetailBegin = "<!--#DetailBegin";
constexpr std::string_view kDetailEnd = "<!--#DetailEnd-->";
constexpr std::string_view kMasterBegin = "<!--#MasterBegin";
constexpr std::string_view kMasterEnd = "<!--#MasterEnd-->";
constexpr size_t kMaxHead = 50;
constexpr size_t kMaxBlockName = 32;
constexpr size_t kMaxFieldName = 255;

// Token markers, process-wide; every template of the program uses {$Name}.
std::string tokenStart = "{$";
char tokenEnd = '}';

// An optional sign and decimal digits that fit an int.
bool TryStrToInt(std::string_view s, int& value) {
  const bool plus = !s.empty() && s[0] == '+';
  if (plus) s.remove_prefix(1);
  // One sign at most: "+-5" is no integer.
  if (s.empty() || s[0] == '+' || (plus && s[0] == '-')) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

// A block name must be empty or an integer; only its first 32 characters are kept.
std::string CheckedBlockName(const std::string& name) {
  int unused = 0;
  if (!name.empty() && !TryStrToInt(name, unused))
    throw Failure(ORBISK_TR_NOOP("Message", "'%1' is not a valid integer value"), {name});
  return name.substr(0, kMaxBlockName);
}

// The body of a block: after its first '>' up to its end marker.
std::string_view BlockBody(std::string_view block, size_t endMarkerLength) {
  const size_t from = FindChar(block, '>', 1);  // 1-based; the text starts after it
  const size_t to = block.size() > endMarkerLength ? block.size() - endMarkerLength : 0;
  return from < to ? block.substr(from, to - from) : std::string_view();
}

// Cuts text into its leading text, blocks and the tail after each block.
// onBlock receives each block and returns the piece list its tail goes to.
template <class OnLead, class OnBlock>
void ScanBlocks(std::string_view text, std::string_view begin, std::string_view end,
                const char* missingEnd, OnLead onLead, OnBlock onBlock) {
  std::string segment;
  bool marked = false;
  size_t pos = NextSegment(segment, marked, text, begin, end, 1);
  if (marked)
    pos = 1;  // no leading text: the first block is read again below
  else
    onLead(std::string_view(segment));
  while (pos != 0) {
    const size_t after = NextSegment(segment, marked, text, begin, end, pos);
    if (!marked) throw std::runtime_error(missingEnd);
    TTextPieceArray& tail = onBlock(std::string_view(segment));
    const size_t next = NextSegment(segment, marked, text, begin, end, after);
    if (marked) {
      pos = after;  // two blocks with nothing between them: no tail
    } else {
      tail = ParseTextPieces(segment);
      pos = next;
    }
  }
}

TTextTemplate ParseDetailTemplate(std::string_view text) {
  TTextTemplate t;
  t.Kind = tkDetail;
  t.Masters.resize(1);
  TMasterRecord& master = t.Masters[0].Master;
  master.Pieces.resize(1);
  ScanBlocks(
      text, kDetailBegin, kDetailEnd, ORBISK_TR_NOOP("Message", "Not Find Detail Block!"),
      [&](std::string_view lead) { master.Pieces = ParseTextPieces(lead); },
      [&](std::string_view block) -> TTextPieceArray& {
        bool repeat = false;  // detail blocks always repeat
        std::string name = CheckedBlockName(ParseBlockHead(block, repeat));
        TDetailBlock& detail = master.Details.emplace_back();
        detail.Detail.Name = std::move(name);
        detail.Detail.Pieces = ParseTextPieces(BlockBody(block, kDetailEnd.size()));
        return detail.Tail;
      });
  return t;
}

TTextTemplate ParseMasterTemplate(std::string_view text) {
  TTextTemplate t;
  t.Kind = tkMaster;
  ScanBlocks(
      text, kMasterBegin, kMasterEnd, ORBISK_TR_NOOP("Message", "Not Find Master Block!"),
      [&](std::string_view lead) { t.Head = ParseTextPieces(lead); },
      [&](std::string_view block) -> TTextPieceArray& {
        bool repeat = false;
        std::string name = CheckedBlockName(ParseBlockHead(block, repeat));
        TTextTemplate body = ParseDetailTemplate(BlockBody(block, kMasterEnd.size()));
        TMasterBlock& m = t.Masters.emplace_back();
        m.Master.Name = std::move(name);
        m.Master.Repeat = repeat;
        m.Master.Pieces = std::move(body.Masters[0].Master.Pieces);
        m.Master.Details = std::move(body.Masters[0].Master.Details);
        return m.Tail;
      });
  return t;
}

// Lines end at CR, LF or CR LF; every line, the last included, gets CR LF.
std::string JoinLinesCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  size_t i = 0;
  while (i < text.size()) {
    size_t e = text.find_first_of("\r\n", i);
    if (e == std::string_view::npos) e = text.size();
    out.append(text.substr(i, e - i));
    out.append("\r\n");
    if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
    i = e + 1;
  }
  return out;
}

// A template is read only when it is a regular file of a sensible size: a
// FIFO would block the export, a device never end.
std::string ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) throw Failure(msg::kCannotRead, {path, std::strerror(errno)});
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw std::runtime_error("Cannot read '" + path + "': it is not a regular file.");
  }
  if (st.st_size > kMaxTemplateBytes) {
    ::close(fd);
    throw std::runtime_error("Cannot read '" + path + "': it is larger than " +
                             std::to_string(kMaxTemplateBytes / (1024 * 1024)) + " MB.");
  }
  std::string data;
  data.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw Failure(msg::kCannotRead, {path, std::strerror(err)});
    }
    data.append(buf, static_cast<size_t>(n));
    if (static_cast<long long>(data.size()) > kMaxTemplateBytes) {  // grew while read
      ::close(fd);
      throw std::runtime_error("Cannot read '" + path + "': it is larger than " +
                               std::to_string(kMaxTemplateBytes / (1024 * 1024)) + " MB.");
    }
  }
  ::close(fd);
  return data;
}

bool IsUtf8Text(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t start = i;
    const char32_t c = DecodeUtf8(s, i);
    if (i - start == 1 && c >= 0x80) return false;  // a byte that starts no sequence
  }
  return true;
}

}  // namespace

void SetTokenStyle(int style) {
  switch (style) {
    case 0: tokenStart = "{$"; tokenEnd = '}'; break;
    case 1: tokenStart = "<#"; tokenEnd = '>'; break;
    case 2: tokenStart = "[$"; tokenEnd = ']'; break;
    default: break;
  }
}

TTextPieceArray ParseTextPieces(std::string_view text) {
  TTextPieceArray pieces;
  const std::string end(1, tokenEnd);
  std::string segment;
  bool marked = false;
  size_t pos = 1;
  do {
    pos = NextSegment(segment, marked, text, tokenStart, end, pos);
    TTextPiece& piece = pieces.emplace_back();
    if (marked) {
      piece.Kind = 1;
      bool reserved = false;
      std::string name = ParseToken(segment, reserved);
      if (!reserved) piece.FieldName = std::move(name);
    } else {
      piece.Text = segment;
    }
  } while (pos != 0);
  return pieces;
}

std::string ParseToken(std::string_view token, bool& reserved) {
  reserved = false;
  const size_t space = FindChar(token, ' ', 1);
  const size_t stop = space ? space : FindChar(token, tokenEnd, 1);
  // The name is what lies between the start marker and stop.
  if (stop <= tokenStart.size() + 1) return {};
  std::string name(token.substr(tokenStart.size(), stop - 1 - tokenStart.size()));
  if (name.size() > kMaxFieldName) name.resize(kMaxFieldName);
  if (name == "DetailBegin" || name == "MasterBegin") {
    reserved = true;
    return {};
  }
  return name;
}

std::string ParseBlockHead(std::string_view block, bool& repeat) {
  const size_t arrow = FindForward(block, "-->", block.size(), 3, 1);
  if (arrow == 0) throw std::runtime_error(ORBISK_TR_NOOP("Message", "Template token is not end with -->"));
  size_t h = arrow - 1;
  if (h > kMaxHead) throw std::runtime_error(ORBISK_TR_NOOP("Message", "Template token head is too long"));
  const size_t r = FindForwardNoCase(block, " Repeat", h, 7, 1);
  repeat = r != 0;
  if (repeat) h = r - 1;
  const std::string_view head = block.substr(0, h);
  const size_t eq = FindChar(head, '=', 1);
  return eq ? std::string(TrimBlanks(head.substr(eq))) : std::string();
}

bool ParseTemplate(TTextTemplate& tmpl, std::string_view text, int kind) {
  switch (kind) {
    case tkPlain: {
      TTextTemplate t;
      t.Kind = tkPlain;
      t.Masters.resize(1);
      t.Masters[0].Master.Pieces = ParseTextPieces(text);
      tmpl = std::move(t);
      return true;
    }
    case tkDetail:
      tmpl = ParseDetailTemplate(text);
      return true;
    case tkMaster:
      tmpl = ParseMasterTemplate(text);
      return true;
    default:
      return false;
  }
}

bool LoadTemplate(TTextTemplate& tmpl, const std::string& fileName, int kind) {
  // "database/" and "Database/" name the same folder.
  const std::string path = ResolveIgnoringCase(fileName);
  if (!FileExists(path)) return false;
  // A template in UTF-8 (as the shipped ones, which declare it) is read as
  // such whatever the locale; any other is taken to be in the locale's set.
  std::string bytes = ReadWholeFile(path);
  if (!IsUtf8Text(bytes)) bytes = DecodeText(bytes);
  const std::string text = JoinLinesCrLf(bytes);
  return ParseTemplate(tmpl, text, kind);
}

bool BlockTag(std::string_view name, int& tag) {
  tag = 0;
  return name.empty() || TryStrToInt(name, tag);
}

}  // namespace orbisk
