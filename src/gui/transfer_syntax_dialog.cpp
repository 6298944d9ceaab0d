#include "gui/transfer_syntax_dialog.hpp"

#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/tsselect/store_syntax.hpp"
#include "gui/qt_text.hpp"

namespace norvane::gui {

TransferSyntaxDialog::TransferSyntaxDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("TransferSyntax");
  list_ = new QComboBox(this);
  list_->setObjectName("transferSyntax");
  list_->setPlaceholderText(ToQString(kStoreSyntaxPrompt));
  for (const StoreSyntaxEntry& entry : kStoreSyntaxEntries)
    list_->addItem(ToQString(entry.text));
  list_->setMinimumContentsLength(26);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("ok");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

void TransferSyntaxDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) list_->setCurrentIndex(0);
}

void TransferSyntaxDialog::accept() {
  choice_ = list_->currentIndex();
  QDialog::accept();
}

}  // namespace norvane::gui
