#include "export/TemplateProccessor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>

#include "data/Message.h"
#include "data/ProgramFiles.h"
#include "data/Query.h"
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

bool IsWholeValueType(TFieldType t) {
  return t == ftBlob || t == ftMemo || t == ftGraphic || t == ftFmtMemo;
}

void AppendValue(std::string& out, std::string_view value, ValueEscaping escaping) {
  if (escaping == ValueEscaping::Html)
    AppendHtmlEscaped(out, value);
  else
    out.append(value);
}

void AppendFieldValue(std::string& out, const Field& field, ValueEscaping escaping) {
  const std::string text = IsWholeValueType(field.DataType()) ? field.AsString() : field.DisplayText();
  AppendValue(out, TrimBlanks(text), escaping);
}

// Renders piece lists and blocks; counts the detail rows for the progress report.
class Renderer {
 public:
  explicit Renderer(const RenderOptions& options) : options_(options), ticker_(options_.OnRow) {}
  void Done() const { ticker_.Done(); }

  // fields: the field of each token piece, looked up once before a walk.
  void Pieces(const TTextPieceArray& pieces, const TSourceItem& item, std::string& out,
              const std::vector<const Field*>* fields = nullptr) const {
    for (size_t i = 0; i < pieces.size(); ++i) {
      const TTextPiece& piece = pieces[i];
      if (piece.Kind != 1) {
        out.append(piece.Text);
        continue;
      }
      if (item.DataSet) {
        const Field* field = fields ? (*fields)[i] : item.DataSet->FindField(piece.FieldName);
        if (field) {
          AppendFieldValue(out, *field, options_.Escaping);
          continue;
        }
      }
      if (item.Params) AppendValue(out, item.Params->Value(piece.FieldName), options_.Escaping);
    }
  }

  void MasterRecord(const TMasterBlock& block, const TSourceItem& master,
                    const std::vector<TSourceItem>& details, std::string& out) {
    const TMasterRecord& m = block.Master;
    const bool masterNumbered = master.DataSet && master.Params;
    if (masterNumbered) {
      const int recNo = master.DataSet->RecNo();
      master.Params->Add("RecNo=" + std::to_string(recNo));
      master.Params->Add(std::string("RowType=") + RowType(recNo));
    }
    Pieces(m.Pieces, master, out);
    if (masterNumbered) DropRowLines(*master.Params);
    // The lists the detail blocks numbered keep their lines until the last
    // block is done (tails may show them) and lose them afterwards.
    std::vector<TStringList*> numbered;
    auto dropLines = [&numbered] {
      for (TStringList* list : numbered) DropRowLines(*list);
    };
    try {
      for (const TDetailBlock& detail : m.Details) {
        if (const TSourceItem* source = FindSourceByName(detail.Detail.Name, details)) {
          if (source->Params && std::find(numbered.begin(), numbered.end(), source->Params) == numbered.end())
            numbered.push_back(source->Params);
          DetailRows(detail.Detail, *source, out);
        }
        Pieces(detail.Tail, master, out);
      }
    } catch (...) {
      dropLines();
      throw;
    }
    dropLines();
  }

  void Template(const TTextTemplate& tmpl, const TTemplateDataSource& source, std::string& out) {
    switch (tmpl.Kind) {
      case tkPlain:
        if (!tmpl.Masters.empty() && !source.MasterSources.empty())
          Pieces(tmpl.Masters[0].Master.Pieces, source.MasterSources[0], out);
        break;
      case tkDetail:
        if (!tmpl.Masters.empty() && !source.MasterSources.empty())
          MasterRecord(tmpl.Masters[0], source.MasterSources[0], source.DetailSources, out);
        break;
      case tkMaster: {
        const TSourceItem own{source.DataSet, source.Params};
        Pieces(tmpl.Head, own, out);
        for (const TMasterBlock& block : tmpl.Masters) {
          const TSourceItem* master = FindSourceByName(block.Master.Name, source.MasterSources);
          if (!master) continue;  // left out together with its tail
          {
            Query& q = *master->DataSet;
            WalkGuard walk(q);
            q.First();
            while (!q.Eof()) {
              MasterRecord(block, *master, source.DetailSources, out);
              Spill(out);
              if (!block.Master.Repeat) break;
              q.Next();
            }
          }
          Pieces(block.Tail, own, out);
        }
        break;
      }
      default:
        break;
    }
  }

 private:
  // Hands the output on once it has grown past a few blocks' worth.
  void Spill(std::string& out) const {
    if (options_.Output && out.size() >= kSpillAt) {
      options_.Output(out);
      out.clear();
    }
  }

  static constexpr size_t kSpillAt = 1 << 16;

  static const char* RowType(int recNo) { return recNo % 2 != 0 ? "OddRow" : "EvenRow"; }

  static void DeleteLine(TStringList& list, std::string_view name) {
    const int index = list.IndexOfName(name);
    if (index >= 0) list.Delete(index);
  }

  static void DropRowLines(TStringList& list) {
    DeleteLine(list, "RowType");
    DeleteLine(list, "RecNo");
  }

  // The body of a detail block once for every record of its dataset.
  void DetailRows(const TDetailRecord& detail, const TSourceItem& source, std::string& out) {
    Query& q = *source.DataSet;
    TStringList* params = source.Params;
    int rowTypeLine = -1, recNoLine = -1;
    if (params) {
      if (params->IndexOfName("RowType") < 0) params->Add("RowType=OddRow");
      if (params->IndexOfName("RecNo") < 0) params->Add("RecNo=0");
      rowTypeLine = params->IndexOfName("RowType");
      recNoLine = params->IndexOfName("RecNo");
    }
    std::vector<const Field*> fields(detail.Pieces.size(), nullptr);
    for (size_t i = 0; i < detail.Pieces.size(); ++i)
      if (detail.Pieces[i].Kind == 1) fields[i] = q.FindField(detail.Pieces[i].FieldName);

    WalkGuard walk(q);
    q.First();
    while (!q.Eof()) {
      if (params) {
        const int recNo = q.RecNo();
        params->SetValueFromIndex(recNoLine, std::to_string(recNo));
        params->SetValueFromIndex(rowTypeLine, RowType(recNo));
      }
      Pieces(detail.Pieces, source, out, &fields);
      Spill(out);
      ticker_.Row();
      q.Next();
    }
  }

  const RenderOptions& options_;
  ProgressTicker ticker_;
};

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

void RenderPieces(const TTextPieceArray& pieces, const TSourceItem& item, std::string& out,
                  ValueEscaping escaping) {
  out.clear();
  const RenderOptions options{escaping, {}, {}};
  Renderer(options).Pieces(pieces, item, out);
}

void RenderMasterRecord(const TMasterBlock& block, const TSourceItem& master,
                        const std::vector<TSourceItem>& details, std::string& out,
                        const RenderOptions& options) {
  out.clear();
  Renderer renderer(options);
  renderer.MasterRecord(block, master, details, out);
  renderer.Done();
}

void RenderTemplate(const TTextTemplate& tmpl, const TTemplateDataSource& source, std::string& out) {
  out.clear();
  Renderer renderer(source.Options);
  renderer.Template(tmpl, source, out);
  renderer.Done();
}

const TSourceItem* FindSourceByName(std::string_view name, const std::vector<TSourceItem>& sources) {
  int tag = 0;
  if (!name.empty() && !TryStrToInt(name, tag)) return nullptr;
  for (const TSourceItem& item : sources)
    if (item.DataSet && item.DataSet->Tag() == tag) return &item;
  return nullptr;
}

void ProcessTemplate(const TTextTemplate& tmpl, Query* masterDataSet, TStringList* params,
                     Query* detail1, Query* detail2, Query* detail3, std::string& out,
                     const RenderOptions& options) {
  TTemplateDataSource source;
  source.MasterSources.push_back({masterDataSet, params});
  // Detail sources up to the first one absent.
  for (Query* detail : {detail1, detail2, detail3}) {
    if (!detail) break;
    source.DetailSources.push_back({detail, params});
  }
  source.Options = options;
  RenderTemplate(tmpl, source, out);
}

namespace {

// Parses the template, then renders it straight into the output file's
// temporary file, which replaces the target once the page is complete.
void WriteTemplateFile(Query& dataSet, const std::string& templateFile, const std::string& outputFile,
                       TStringList* params, const RenderOptions& options, const std::string& codeset) {
  TTextTemplate tmpl;
  if (!LoadTemplate(tmpl, templateFile, tkDetail))
    throw Failure(msg::kTemplateNotFound, {templateFile});
  TextFileWriter file(outputFile, codeset);
  RenderOptions streaming = options;
  streaming.Output = [&file](std::string_view piece) { file.Write(piece); };
  std::string out;
  {
    WalkGuard walk(dataSet);
    ProcessTemplate(tmpl, nullptr, params, &dataSet, nullptr, nullptr, out, streaming);
  }
  out.append("\r\n");
  file.Write(out);
  file.Commit();
}

}  // namespace

void ExportByTemplate(Query& dataSet, const std::string& templateFile, const std::string& outputFile,
                      TStringList* params, const RenderOptions& options) {
  WriteTemplateFile(dataSet, templateFile, outputFile, params, options, LocaleCodeset());
}

void ExportHtmlByTemplate(Query& dataSet, const std::string& templateFile,
                          const std::string& outputFile, ExportProgress onRow) {
  WriteTemplateFile(dataSet, templateFile, outputFile, nullptr,
                    RenderOptions{ValueEscaping::Html, std::move(onRow), {}}, "UTF-8");
}

void AppendHtmlEscaped(std::string& out, std::string_view value) {
  size_t done = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char* entity = nullptr;
    switch (value[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      case '\'': entity = "&#39;"; break;
      default: continue;
    }
    out.append(value.substr(done, i - done));
    out.append(entity);
    done = i + 1;
  }
  out.append(value.substr(done));
}

}  // namespace orbisk
