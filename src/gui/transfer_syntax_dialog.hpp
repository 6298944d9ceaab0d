#pragma once

#include <QComboBox>
#include <QDialog>

namespace norvane::gui {

// "TransferSyntax": the transfer syntax "Store to PACS" asks for. Each time it is shown
// the first entry is selected; OK takes the selected position, closing it otherwise
// keeps the last choice.
class TransferSyntaxDialog : public QDialog {
 public:
  explicit TransferSyntaxDialog(QWidget* parent);

  // The position chosen with OK: 0 at first, -1 when nothing was selected.
  int StoreSyntaxChoice() const { return choice_; }

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  int choice_ = 0;
  QComboBox* list_;
};

}  // namespace norvane::gui
