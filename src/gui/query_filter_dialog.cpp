#include "gui/query_filter_dialog.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "gui/qt_text.hpp"
#include "platform/date_time_format.hpp"

namespace norvane::gui {

QueryFilterDialog::QueryFilterDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Query Filter");
  patientName_ = new QLineEdit(this);
  patientName_->setObjectName("patientName");
  from_ = new QCheckBox("From", this);
  from_->setObjectName("from");
  fromDate_ = new QLineEdit(this);
  fromDate_->setObjectName("fromDate");
  to_ = new QCheckBox("To", this);
  to_->setObjectName("to");
  toDate_ = new QLineEdit(this);
  toDate_->setObjectName("toDate");
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("ok");
  ok->setDefault(true);
  connect(from_, &QCheckBox::toggled, fromDate_, &QWidget::setEnabled);
  connect(to_, &QCheckBox::toggled, toDate_, &QWidget::setEnabled);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Patient Name", this), 0, 0);
  layout->addWidget(patientName_, 0, 1);
  layout->addWidget(from_, 1, 0);
  layout->addWidget(fromDate_, 1, 1);
  layout->addWidget(to_, 2, 0);
  layout->addWidget(toDate_, 2, 1);
  layout->addWidget(ok, 3, 1, Qt::AlignRight);
  layout->setColumnMinimumWidth(1, 180);
}

void QueryFilterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // shown again by the window system, not for a query
  const QString today = ToQString(FilterDateText(LocalTimeNow()));
  patientName_->clear();
  from_->setChecked(false);
  to_->setChecked(false);
  fromDate_->setText(today);
  toDate_->setText(today);
  fromDate_->setEnabled(false);
  toDate_->setEnabled(false);
  patientName_->setFocus();
}

void QueryFilterDialog::accept() {
  QueryFilterEntries entries;
  entries.patientName = ToStdString(patientName_->text());
  entries.from = from_->isChecked();
  entries.fromDate = ToStdString(fromDate_->text());
  entries.to = to_->isChecked();
  entries.toDate = ToStdString(toDate_->text());
  ApplyQueryFilterEntries(entries, filter_);
  QDialog::accept();
}

}  // namespace norvane::gui
