#include "ui/help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>
#include <string>

#include "volume/file_open.h"

namespace calyra::ui {
namespace {

constexpr char kViewerTitle[] = "Calyra Visualizer Help";
constexpr char kContentsKeyword[] = "CONTENTS";

class HelpWindow : public QWidget {
  public:
    explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
        setWindowTitle(QString::fromLatin1(kViewerTitle));
        resize(560, 480);
        browser_ = new QTextBrowser(this);
        browser_->setOpenLinks(true);
        browser_->setOpenExternalLinks(false);
        auto* contents = new QPushButton(tr("&Contents"), this);
        auto* back = new QPushButton(tr("&Back"), this);
        back->setEnabled(false);
        connect(contents, &QPushButton::clicked, this,
                [this] { ShowTopic(QString::fromLatin1(kContentsKeyword)); });
        connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(contents);
        buttons->addWidget(back);
        buttons->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(buttons);
        layout->addWidget(browser_);
    }

    QTextBrowser* browser() const { return browser_; }

    void ShowText(const QString& html) {
        if (html != html_) {
            html_ = html;
            browser_->setHtml(html);
            browser_->clearHistory();
        }
    }

    // The first topic, and an unknown keyword, show the top of the text.
    void ShowTopic(const QString& keyword) {
        const QStringList keywords = HelpKeywords(html_);
        if (keywords.contains(keyword) && keywords.front() != keyword) {
            browser_->scrollToAnchor(keyword);
        } else {
            browser_->verticalScrollBar()->setValue(0);
        }
    }

  private:
    QTextBrowser* browser_;
    QString html_;
};

QPointer<HelpWindow> viewer;

}  // namespace

QString FindHelpFile(const QString& fileName) {
    // The working directory first, then beside the program, then the data search path.
    QStringList folders{QDir::currentPath(), QCoreApplication::applicationDirPath()};
    for (const std::string& folder : DataSearchPath()) folders << QString::fromStdString(folder);
    for (const QString& dir : folders) {
        const QFileInfo candidate(QDir(dir), fileName);
        if (candidate.isFile() && candidate.isReadable()) return candidate.absoluteFilePath();
    }
    return QString();
}

QStringList HelpKeywords(const QString& html) {
    static const QRegularExpression anchor(QStringLiteral("<a\\s+name\\s*=\\s*\"([^\"]+)\""),
                                           QRegularExpression::CaseInsensitiveOption);
    QStringList keywords;
    for (const QRegularExpressionMatch& m : anchor.globalMatch(html)) {
        keywords.append(m.captured(1));
    }
    return keywords;
}

void ShowHelpText(const QString& html, const QString& keyword, QWidget* owner) {
    if (!viewer) viewer = new HelpWindow(owner);
    viewer->ShowText(html);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    viewer->ShowTopic(keyword);
}

QTextBrowser* HelpBrowser() {
    return viewer ? viewer->browser() : nullptr;
}

}  // namespace calyra::ui
