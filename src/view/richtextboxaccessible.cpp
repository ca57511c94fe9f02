// SPDX-License-Identifier: MIT
#include "richtextboxaccessible.h"

#include "richtextbox.h"

#include <algorithm>

RichTextBoxAccessible::RichTextBoxAccessible(RichTextBox *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{
}

void RichTextBoxAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString &className, QObject *object) -> QAccessibleInterface * {
            if (className == QLatin1StringView(RichTextBox::staticMetaObject.className()) && object->isWidgetType())
                return new RichTextBoxAccessible(static_cast<RichTextBox *>(object));
            return nullptr;
        });
        return true;
    }();
    Q_UNUSED(installed);
}

void *RichTextBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State RichTextBoxAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

void RichTextBoxAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    const bool selected = selectionIndex == 0 && view().SelLength() > 0;
    *startOffset = selected ? view().SelStart() : 0;
    *endOffset = selected ? view().SelStart() + view().SelLength() : 0;
}

int RichTextBoxAccessible::selectionCount() const
{
    return view().SelLength() > 0 ? 1 : 0;
}

void RichTextBoxAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void RichTextBoxAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view().SetSelStart(view().SelStart());
}

void RichTextBoxAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    view().SetSelStart(std::min(startOffset, endOffset));
    view().SetSelLength(std::abs(endOffset - startOffset));
}

int RichTextBoxAccessible::cursorPosition() const
{
    return view().CaretOffset();
}

void RichTextBoxAccessible::setCursorPosition(int position)
{
    view().SetSelStart(position);
}

QString RichTextBoxAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return view().Text();
    return QAccessibleWidget::text(type);
}

QString RichTextBoxAccessible::text(int startOffset, int endOffset) const
{
    return view().Model().textIn(startOffset, endOffset);
}

int RichTextBoxAccessible::characterCount() const
{
    return view().TextLength();
}

QRect RichTextBoxAccessible::characterRect(int offset) const
{
    const QRect local = view().CharacterRect(offset);
    return QRect(view().viewport()->mapToGlobal(local.topLeft()), local.size());
}

int RichTextBoxAccessible::offsetAtPoint(const QPoint &point) const
{
    RichTextBox &box = view();
    const QPoint local = box.viewport()->mapFromGlobal(point);
    if (!box.viewport()->rect().contains(local))
        return -1;
    return box.OffsetAt(local);
}

void RichTextBoxAccessible::scrollToSubstring(int startIndex, int /*endIndex*/)
{
    view().EnsureVisible(startIndex);
}

QString RichTextBoxAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return {};
}

RichTextBox &RichTextBoxAccessible::view() const
{
    return *static_cast<RichTextBox *>(widget());
}
