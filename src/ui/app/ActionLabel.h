#pragma once

#include <QLabel>

// One element of the action panel's label array: it knows its index and
// reports clicks and pointer moves with it, and it can be drawn transparent
// (the panel's picture shows through) or opaque in its highlight colour.
class ActionLabel : public QLabel
{
    Q_OBJECT
public:
    enum BackStyle { Transparent = 0, Opaque = 1 };

    ActionLabel(int index, const QString &caption, QWidget *parent = nullptr);

    int index() const { return m_index; }
    int backStyle() const { return autoFillBackground() ? Opaque : Transparent; }
    void setBackStyle(int style) { setAutoFillBackground(style == Opaque); }

signals:
    void clicked(int index);
    void mouseMoved(int index, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    int m_index;
};
