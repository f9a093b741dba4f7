#include "platform/Help.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <stdexcept>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Placement.h"

namespace platform {

namespace {

struct HelpPage {
  QUrl url;
  QString title;
  QString text;  // what a reader sees, for the search
};

// The pages' links, in the order they stand.
QStringList LinksOf(const QTextDocument& doc) {
  QStringList links;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().isAnchor()) links << it.fragment().charFormat().anchorHref();
  return links;
}

// Every page in the folder of the contents page: the contents page, the
// topics in the order it lists them, then any other page by file name.
std::vector<HelpPage> ReadPages(const QString& contentsPath) {
  std::vector<HelpPage> pages;
  const QFileInfo contents(contentsPath);
  QStringList names{contents.fileName()};
  for (const QString& name : contents.dir().entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name))
    if (!names.contains(name)) names << name;
  for (int i = 0; i < names.size(); ++i) {
    QFile file(contents.dir().filePath(names[i]));
    if (!file.open(QIODevice::ReadOnly)) {
      if (i == 0) return {};  // no contents page, no help
      continue;
    }
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(file.readAll()));
    const QString name = file.fileName();
    pages.push_back({name.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + name) : QUrl::fromLocalFile(name),
                     doc.metaInformation(QTextDocument::DocumentTitle), doc.toPlainText()});
    if (i == 0) {
      // The topics move up to follow the contents page, as it lists them.
      QStringList ordered{names[0]};
      for (const QString& link : LinksOf(doc))
        if (names.contains(link) && !ordered.contains(link)) ordered << link;
      for (const QString& name : names)
        if (!ordered.contains(name)) ordered << name;
      names = ordered;
    }
  }
  return pages;
}

class HelpWindow : public QDialog {
 public:
  HelpWindow(QWidget* owner, std::vector<HelpPage> pages) : QDialog(owner), pages_(std::move(pages)) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("QEL Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(600, 440);
    // Read beside the window it explains, not over it (without a window
    // manager a window over the main window's menu bar could not be moved).
    PlaceWhenFirstShown(this, [this] {
      if (parentWidget()) PlaceBeside(this, parentWidget());
    });

    auto* searchPanel = new QVBoxLayout;
    auto* contentsButton = new QPushButton(QStringLiteral("&Contents"));
    contentsButton->setObjectName(QStringLiteral("contentsButton"));
    // Enter belongs to the search: no button of the window takes it.
    contentsButton->setAutoDefault(false);
    searchPanel->addWidget(contentsButton);
    searchPanel->addWidget(new QLabel(QStringLiteral("&Look for:")));
    search_ = new QLineEdit;
    search_->setObjectName(QStringLiteral("searchWord"));
    static_cast<QLabel*>(searchPanel->itemAt(1)->widget())->setBuddy(search_);
    searchPanel->addWidget(search_);
    results_ = new QListWidget;
    results_->setObjectName(QStringLiteral("results"));
    searchPanel->addWidget(results_, 1);
    nothingFound_ = new QLabel;
    nothingFound_->setObjectName(QStringLiteral("nothingFound"));
    nothingFound_->setWordWrap(true);
    searchPanel->addWidget(nothingFound_);

    auto* pagePanel = new QVBoxLayout;
    browser_ = new QTextBrowser;
    browser_->setObjectName(QStringLiteral("page"));
    pagePanel->addWidget(browser_, 1);
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setAutoDefault(false);
    pagePanel->addWidget(close, 0, Qt::AlignRight);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(searchPanel);
    layout->addLayout(pagePanel, 1);

    connect(contentsButton, &QPushButton::clicked, this, [this] { OpenContents(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& w) { Search(w); });
    // Enter shows the first page found.
    connect(search_, &QLineEdit::returnPressed, this, [this] {
      Search(search_->text());
      if (!found_.empty()) results_->setCurrentRow(0);
    });
    connect(results_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (row >= 0 && row < static_cast<int>(found_.size())) browser_->setSource(pages_[found_[row]].url);
    });
    // Any page shown while a word is looked for shows where the word stands.
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { MarkWord(); });
    Search(QString());
  }

  void OpenContents() { browser_->setSource(pages_.front().url); }

  void OpenSearch() {
    if (browser_->source().isEmpty()) OpenContents();
    search_->clear();
    search_->setFocus();
  }

 private:
  // The pages whose text holds the word, any case; every page for no word.
  void Search(const QString& word) {
    const QString w = word.trimmed();
    found_.clear();
    results_->clear();
    for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
      if (!pages_[i].text.contains(w, Qt::CaseInsensitive)) continue;
      found_.push_back(i);
      results_->addItem(pages_[i].title);
    }
    nothingFound_->setText(found_.empty() ? QStringLiteral("No topic contains \"%1\".").arg(w) : QString());
    MarkWord();
  }

  // Every place of the looked-for word in the page shown is marked, and the
  // first is scrolled into view.
  void MarkWord() {
    QList<QTextEdit::ExtraSelection> marks;
    const QString w = search_->text().trimmed();
    QTextDocument* doc = browser_->document();
    QTextCharFormat marked;
    marked.setBackground(QColor(255, 230, 0));
    // Each find starts after the last one, so the loop ends at the page's end.
    for (QTextCursor c = w.isEmpty() ? QTextCursor() : doc->find(w); !c.isNull(); c = doc->find(w, c))
      marks.push_back({c, marked});
    browser_->setExtraSelections(marks);
    if (!marks.isEmpty()) {
      QTextCursor first = marks.front().cursor;
      first.clearSelection();
      browser_->setTextCursor(first);
      browser_->ensureCursorVisible();
    }
  }

  std::vector<HelpPage> pages_;
  std::vector<int> found_;
  QLineEdit* search_ = nullptr;
  QListWidget* results_ = nullptr;
  QLabel* nothingFound_ = nullptr;
  QTextBrowser* browser_ = nullptr;
};

QPointer<HelpWindow>& Viewer() {
  static QPointer<HelpWindow> viewer;
  return viewer;
}

}  // namespace

std::string ProgramHelpFile() { return ":/help/contents.html"; }

void ShowHelp(QWidget* owner, const std::string& helpFile, int command) {
  if (command != kHelpContents && command != kHelpPartialKey)
    throw std::invalid_argument("Unknown help command " + std::to_string(command));
  const QString path = QString::fromStdString(helpFile);
  if (!Viewer()) {
    // A file that is missing or yields no page (a folder, no permission).
    std::vector<HelpPage> pages;
    if (QFileInfo::exists(path)) pages = ReadPages(path);
    if (pages.empty()) {
      ShowMessageBox("Cannot open the help file \"" + helpFile + "\".", 48, "QEL Help");
      return;
    }
    Viewer() = new HelpWindow(owner, std::move(pages));
  }
  if (command == kHelpContents)
    Viewer()->OpenContents();
  else
    Viewer()->OpenSearch();
  Viewer()->show();
  Viewer()->raise();
  Viewer()->activateWindow();
}

}  // namespace platform
