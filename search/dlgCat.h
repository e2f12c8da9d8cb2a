#pragma once
// The category picker: the main categories on the left, the leaf categories
// of the main category last clicked on the right. The user picks a whole main
// category or one leaf; the choice survives between openings.
#include <QDialog>
#include <string>

#include "ui/uiDBGrid.h"
#include "data/SqlLike.h"
#include "data/uDM.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TComanyCat_Dlg : public QDialog {
  Q_OBJECT
 public:
  explicit TComanyCat_Dlg(orbisk::TDM& dm, QWidget* parent = nullptr);

  // The condition fragment (" MainCat_Code='...'" or " SubCat_Code='...'") and
  // the display text of the current choice; both empty until the first click.
  std::string SelCondition;
  std::string SelText;

  void UpdateSelection();
  void MainCat_DBGridCellClick();
  void SubCat_DBGridCellClick();
  void MainCat_DBGridDblClick() { accept(); }
  void SubCat_DBGridDblClick() { accept(); }
  // Shows only the sub-categories whose name holds the filter text, letter
  // case ignored as in the searches' LIKE (% and _ are wildcards there too).
  void SubCatFilter_EdtChange();
  // Whether the filter ignores accents too, as the search panel asks; the
  // shown rows follow at once.
  void SetFilterFold(orbisk::LikeFold fold);
  orbisk::LikeFold FilterFold() const { return filterFold_; }

  QLabel* MainCat_Lab;
  TDBGrid* MainCat_DBGrid;
  QLabel* SubCat_Lab;
  QLineEdit* SubCatFilter_Edt;
  TDBGrid* SubCat_DBGrid;
  // The current selection, what OK applies (the highlighted row is not it).
  QLabel* Selection_Lab;
  QPushButton* OK_Btn;
  QPushButton* Cancel_Btn;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowSelection();
  // Space or Enter on a list's highlighted row: chooses it as a click does;
  // Enter on the row already chosen accepts the dialog.
  bool ListKey(TDBGrid* list, int key);
  // Whether the highlighted row of `list` is the current selection.
  bool HighlightedIsSelected(TDBGrid* list) const;
  orbisk::TDM& dm_;
  orbisk::LikeFold filterFold_ = orbisk::LikeFold::Case;
};

// What the search panel shows and stores of a category choice.
struct CategoryTarget {
  QString text;       // the category box
  QString hint;       // its tool tip, always equal to the text
  QString condition;  // the stored category condition
  bool ticked = false;
};

// Opens the category lists when they are not open yet, shows the picker
// modally and, on OK, carries the choice over to `target`: the text and hint
// always, the condition and the tick only for a non-empty choice. Returns
// whether the dialog closed with OK. Errors opening the lists propagate before
// the dialog shows.
bool RunCategoryPicker(TComanyCat_Dlg& dlg, orbisk::TDM& dm, CategoryTarget& target);

// The one instance, created at start-up and kept until the program ends.
extern TComanyCat_Dlg* ComanyCat_Dlg;
