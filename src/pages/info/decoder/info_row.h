#pragma once
// One row of the information list (caption in column 0, sub-items after it) and
// the sink the decoders write rows into, so that they know nothing of the form.
#include <string>
#include <utility>
#include <vector>

namespace info {

struct InfoRow {
  std::string caption;
  std::vector<std::string> subItems;

  bool operator==(const InfoRow&) const = default;
};

// Where decoded rows go: the page's list view, or a plain list.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void ClearRows() = 0;
  virtual void AddRow(InfoRow row) = 0;
};

// A sink that keeps the rows; the page copies them into its list view.
class RowList : public RowSink {
 public:
  void ClearRows() override { rows_.clear(); }
  void AddRow(InfoRow row) override { rows_.push_back(std::move(row)); }

  const std::vector<InfoRow>& Rows() const { return rows_; }
  std::vector<InfoRow>& MutableRows() { return rows_; }
  size_t Size() const { return rows_.size(); }

 private:
  std::vector<InfoRow> rows_;
};

}  // namespace info
