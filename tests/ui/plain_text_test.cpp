#include "ui/plain_text.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>

using namespace zv;

TEST(PlainText, TextFromOutsideShowsAsTheCharactersItHolds) {
  // Titles that a label or a tool tip would otherwise take for markup, and one that a menu would
  // take for a shortcut.
  const std::vector<std::string> texts = {"<b>x</b>", "<img src=\"/dev/zero\">", "Rock & Roll",
                                          "a  <i>b</i>\nc &amp; d", "Ünïcode — ok"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    QString expected = QString::fromStdString(text);
    QLabel label;
    SetPlainText(&label, text);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.text(), expected);
    QTextDocument tip;
    tip.setHtml(PlainToolTip(text));
    EXPECT_EQ(tip.toPlainText(), expected);
    QAction action(PlainMenuText(text));
    EXPECT_EQ(action.iconText(), expected) << "no shortcut mark is taken from the text";
    QMessageBox box;
    SetPlainText(&box, text);
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    EXPECT_EQ(box.text(), expected);
  }
  EXPECT_TRUE(PlainToolTip("").isEmpty()) << "no tip for no text";
}

TEST(PlainText, LongTextsAreCutAtTheLimit) {
  QLabel label;
  SetPlainText(&label, std::string(20'000'000, 'x'));
  EXPECT_EQ(label.text().size(), 4096);
  EXPECT_TRUE(label.text().endsWith("xxx..."));
}
