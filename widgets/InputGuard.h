#pragma once

#include <QObject>

class QWidget;

// While active, the user's keys, clicks and wheel turns aimed at one window
// are dropped: what the user did while a long click kept the window busy
// must not land later, unseen, in a window that has since been hidden.
class InputGuard : public QObject
{
public:
    explicit InputGuard(QWidget *window);
    ~InputGuard() override;

    void setActive(bool active);
    bool isActive() const { return m_active; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool aimsAtWindow(QObject *watched) const;

    QWidget *m_window;
    bool m_active = false;
};
