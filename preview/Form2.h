#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

struct Services;

// The preview window (placeholder until the viewport lands).
class Form2 : public QWidget
{
    Q_OBJECT

public:
    Form2(Services &services, QWidget *mainWindow, QWidget *parent = nullptr);

    // Picture1's picture: the rendered label sheet.
    void setPicture(const QImage &picture);

    QString mWordFile;

private:
    Services &m_services;
    QWidget *m_mainWindow;
    QImage m_picture;
};
