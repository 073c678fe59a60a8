// A small viewer for the help file "Calyra.HLP": UTF-8 HTML whose topics
// carry keywords as anchors (<a name="KEYWORD">); the first is "CONTENTS".
#pragma once

#include <QString>
#include <QStringList>

class QTextBrowser;
class QWidget;

namespace calyra::ui {

// The help file beside the executable, else in the working directory;
// empty when neither exists.
QString FindHelpFile(const QString& fileName);

// The topic keywords of a help text, in order.
QStringList HelpKeywords(const QString& html);

// Shows the help text in the one help viewer (created on first use, owned
// by owner) at the topic with this keyword, or at the top for an unknown one.
void ShowHelpText(const QString& html, const QString& keyword, QWidget* owner);

// The open viewer's text, or null when no viewer exists.
QTextBrowser* HelpBrowser();

}  // namespace calyra::ui
