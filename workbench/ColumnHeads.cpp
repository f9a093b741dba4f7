#include "ColumnHeads.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

void ColumnHeads::SetColumns(const std::vector<QWidget*>& columns) {
  columns_.assign(columns.begin(), columns.end());
  WidenColumnsToHeads();
  updateGeometry();
  update();
}

QStringList ColumnHeads::Words() const { return text().split(QLatin1Char(' '), Qt::SkipEmptyParts); }

void ColumnHeads::WidenColumnsToHeads() {
  const QStringList words = Words();
  if (words.size() != static_cast<qsizetype>(columns_.size())) return;
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i]) columns_[i]->setMinimumWidth(fontMetrics().horizontalAdvance(words[static_cast<qsizetype>(i)]));
}

void ColumnHeads::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) WidenColumnsToHeads();
}

std::vector<std::pair<QString, int>> ColumnHeads::Heads() const {
  const QStringList words = Words();
  if (words.size() != static_cast<qsizetype>(columns_.size())) return {};
  std::vector<std::pair<QString, int>> heads;
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (!columns_[i]) return {};
    heads.emplace_back(words[static_cast<qsizetype>(i)], columns_[i]->x() - x());
  }
  return heads;
}

QSize ColumnHeads::sizeHint() const {
  QSize hint = QLabel::sizeHint();
  const auto heads = Heads();
  if (heads.empty()) return hint;
  int width = 0;
  for (const auto& [word, at] : heads) width = std::max(width, at + fontMetrics().horizontalAdvance(word));
  hint.setWidth(width + contentsMargins().left() + contentsMargins().right());
  return hint;
}

void ColumnHeads::paintEvent(QPaintEvent* event) {
  const auto heads = Heads();
  if (heads.empty()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter p(this);
  const QRect area = contentsRect();
  for (const auto& [word, at] : heads)
    style()->drawItemText(&p, area.adjusted(at, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          word, foregroundRole());
}
