#include "Form2.h"

Form2::Form2(Services &services, QWidget *mainWindow, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_mainWindow(mainWindow)
{
}

void Form2::setPicture(const QImage &picture)
{
    m_picture = picture;
}
