// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>

class RichTextBox;

// What screen readers see of the view: its text, caret, selection and character places, in
// the view's own offsets.
class RichTextBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit RichTextBoxAccessible(RichTextBox *view);

    // Lets Qt's accessibility find this interface for every view; the program calls it once.
    static void install();

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(QAccessible::Text type) const override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    RichTextBox &view() const;
};
