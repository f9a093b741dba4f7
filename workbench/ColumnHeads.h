// A label that heads the columns of a table: each word of its caption stands
// over the column it names, wherever that column has moved to make room for
// its numbers, and each column is at least as wide as its head. Its caption
// stays the one text it was given.
#pragma once

#include <QLabel>
#include <QPointer>
#include <vector>

class ColumnHeads : public QLabel {
 public:
  using QLabel::QLabel;

  // The controls that start each column, one for each word of the caption,
  // in the same parent as the label.
  void SetColumns(const std::vector<QWidget*>& columns);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Each word with where it starts within the label; empty when the words and
  // columns do not pair up, and the caption is drawn as it stands.
  QStringList Words() const;
  std::vector<std::pair<QString, int>> Heads() const;
  // Each column as wide as its head at least.
  void WidenColumnsToHeads();
  std::vector<QPointer<QWidget>> columns_;
};
