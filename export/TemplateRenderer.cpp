#include "export/TemplateRenderer.h"

#include <algorithm>

#include "data/Query.h"
#include "export/QueryWalk.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

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
          // A block without Repeat shows the first record only.
          WalkQuery(*master->DataSet, [&] {
            MasterRecord(block, *master, source.DetailSources, out);
            Spill(out);
            return block.Master.Repeat;
          });
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

    WalkQuery(q, ticker_, [&] {
      if (params) {
        const int recNo = q.RecNo();
        params->SetValueFromIndex(recNoLine, std::to_string(recNo));
        params->SetValueFromIndex(rowTypeLine, RowType(recNo));
      }
      Pieces(detail.Pieces, source, out, &fields);
      Spill(out);
    });
  }

  const RenderOptions& options_;
  RowProgress ticker_;
};

}  // namespace

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
  if (!BlockTag(name, tag)) return nullptr;
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
