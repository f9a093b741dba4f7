#include "platform/Help.h"

#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextStream>
#include <QVBoxLayout>
#include <stdexcept>

#include "platform/MessageBox.h"

namespace platform {

namespace {

std::string Trim(const QString& s) { return s.trimmed().toStdString(); }

class HelpWindow : public QDialog {
 public:
  explicit HelpWindow(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("QEL Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 480);
    auto* layout = new QHBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->setMaximumWidth(260);

    contents_ = new QListWidget;
    contents_->setObjectName(QStringLiteral("contents"));
    tabs_->addTab(contents_, QStringLiteral("Contents"));

    auto* searchPage = new QWidget;
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addWidget(new QLabel(QStringLiteral("Type a word to look for:")));
    search_ = new QLineEdit;
    search_->setObjectName(QStringLiteral("searchWord"));
    searchLayout->addWidget(search_);
    results_ = new QListWidget;
    results_->setObjectName(QStringLiteral("results"));
    searchLayout->addWidget(results_);
    tabs_->addTab(searchPage, QStringLiteral("Search"));

    auto* right = new QVBoxLayout;
    text_ = new QTextBrowser;
    text_->setObjectName(QStringLiteral("topicText"));
    right->addWidget(text_);
    auto* close = new QPushButton(QStringLiteral("Close"));
    right->addWidget(close, 0, Qt::AlignRight);
    layout->addWidget(tabs_);
    layout->addLayout(right, 1);

    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(contents_, &QListWidget::currentRowChanged, this, [this](int row) { ShowTopic(row); });
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& w) { Search(w); });
    connect(results_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (row >= 0 && row < static_cast<int>(found_.size())) ShowTopic(found_[row]);
    });
  }

  void SetTopics(std::vector<HelpTopic> topics) {
    topics_ = std::move(topics);
    contents_->clear();
    for (const auto& t : topics_) contents_->addItem(QString::fromStdString(t.title));
    Search(search_->text());
  }

  void OpenContents() {
    tabs_->setCurrentIndex(0);
    contents_->setCurrentRow(0);
    ShowTopic(0);
  }

  void OpenSearch() {
    tabs_->setCurrentIndex(1);
    search_->clear();
    Search(QString());
    search_->setFocus();
  }

 private:
  void ShowTopic(int index) {
    if (index < 0 || index >= static_cast<int>(topics_.size())) return;
    const HelpTopic& t = topics_[index];
    text_->setPlainText(QString::fromStdString(t.title) + QStringLiteral("\n\n") +
                        QString::fromStdString(t.text));
  }

  void Search(const QString& word) {
    found_ = SearchHelp(topics_, word.toStdString());
    results_->clear();
    for (int i : found_) results_->addItem(QString::fromStdString(topics_[i].title));
  }

  QTabWidget* tabs_ = nullptr;
  QListWidget* contents_ = nullptr;
  QLineEdit* search_ = nullptr;
  QListWidget* results_ = nullptr;
  QTextBrowser* text_ = nullptr;
  std::vector<HelpTopic> topics_;
  std::vector<int> found_;
};

QPointer<HelpWindow>& Viewer() {
  static QPointer<HelpWindow> viewer;
  return viewer;
}

}  // namespace

bool LoadHelpFile(const std::string& path, std::vector<HelpTopic>& topics, std::string& error) {
  topics.clear();
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = "Cannot open the help file \"" + path + "\": " + file.errorString().toStdString();
    return false;
  }
  QTextStream in(&file);
  QStringList paragraphLines;
  auto flushText = [&]() {
    if (topics.empty()) return;
    std::string& text = topics.back().text;
    QString block = paragraphLines.join(QLatin1Char('\n'));
    text = block.trimmed().toStdString();
  };
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (line.startsWith(QLatin1Char('#'))) continue;
    if (line.startsWith(QStringLiteral("@@"))) {
      flushText();
      paragraphLines.clear();
      HelpTopic t;
      const QString head = line.mid(2);
      const qsizetype bar = head.indexOf(QLatin1Char('|'));
      t.id = Trim(bar < 0 ? head : head.left(bar));
      t.title = Trim(bar < 0 ? head : head.mid(bar + 1));
      topics.push_back(std::move(t));
      continue;
    }
    if (topics.empty()) continue;
    if (paragraphLines.isEmpty() && line.startsWith(QStringLiteral("keywords:"))) {
      for (const QString& k : line.mid(9).split(QLatin1Char(','), Qt::SkipEmptyParts))
        topics.back().keywords.push_back(Trim(k));
      continue;
    }
    paragraphLines << line;
  }
  flushText();
  if (in.status() != QTextStream::Ok) {
    error = "Cannot read the help file \"" + path + "\".";
    return false;
  }
  if (topics.empty()) {
    error = "The help file \"" + path + "\" holds no help topic.";
    return false;
  }
  return true;
}

std::vector<int> SearchHelp(const std::vector<HelpTopic>& topics, const std::string& word) {
  std::vector<int> found;
  const QString w = QString::fromStdString(word).trimmed();
  for (int i = 0; i < static_cast<int>(topics.size()); ++i) {
    const HelpTopic& t = topics[i];
    bool hit = w.isEmpty() || QString::fromStdString(t.title).contains(w, Qt::CaseInsensitive) ||
               QString::fromStdString(t.text).contains(w, Qt::CaseInsensitive);
    for (const auto& k : t.keywords)
      hit = hit || QString::fromStdString(k).contains(w, Qt::CaseInsensitive);
    if (hit) found.push_back(i);
  }
  return found;
}

std::string ProgramHelpFile() { return std::string(QEL_RESOURCES_DIR) + "/QEL.hlp"; }

void ShowHelp(QWidget* owner, const std::string& helpFile, int command) {
  if (command != kHelpContents && command != kHelpPartialKey)
    throw std::invalid_argument("Unknown help command " + std::to_string(command));
  std::vector<HelpTopic> topics;
  std::string error;
  if (!LoadHelpFile(helpFile, topics, error)) {
    ShowMessageBox(error, 48, "QEL Help");
    return;
  }
  if (!Viewer()) Viewer() = new HelpWindow(owner);
  Viewer()->SetTopics(std::move(topics));
  if (command == kHelpContents)
    Viewer()->OpenContents();
  else
    Viewer()->OpenSearch();
  Viewer()->show();
  Viewer()->raise();
  Viewer()->activateWindow();
}

QWidget* HelpViewer() { return Viewer().data(); }

}  // namespace platform
