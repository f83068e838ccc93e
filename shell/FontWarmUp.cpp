#include "FontWarmUp.h"

#include <QFontDatabase>
#include <QStringList>
#include <QThread>

FontWarmUp::FontWarmUp() : m_worker(QThread::create([] { QFontDatabase::families(); }))
{
    m_worker->setObjectName(QStringLiteral("FontWarmUp"));
    m_worker->start();
}

FontWarmUp::~FontWarmUp()
{
    m_worker->wait();
}
