#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include "app/qfilter/query_filter.hpp"

namespace norvane::gui {

// "Query Filter": the patient name and the date range of "Query PACS" and "Query
// WorkList". Each time it is shown the name is empty, both boxes are clear and both dates
// read today; OK sets the filters from the entries, closing it otherwise sets nothing.
class QueryFilterDialog : public QDialog {
 public:
  explicit QueryFilterDialog(QWidget* parent);

  const QueryFilter& filter() const { return filter_; }
  // Empties both filters (before each query).
  void ClearFilter() { filter_ = {}; }

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QueryFilter filter_;
  QLineEdit* patientName_;
  QCheckBox* from_;
  QLineEdit* fromDate_;
  QCheckBox* to_;
  QLineEdit* toDate_;
};

}  // namespace norvane::gui
