#include "TlsWarmUp.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QThread>

TlsWarmUp::TlsWarmUp()
    : m_worker(QThread::create([] {
          if (QSslSocket::supportsSsl())
              QSslConfiguration::defaultConfiguration();
      }))
{
    m_worker->setObjectName(QStringLiteral("TlsWarmUp"));
}

void TlsWarmUp::start()
{
    // Behind everything else in the queue for the processor: it is wanted
    // only at the first refresh.
    m_worker->start(QThread::LowPriority);
}

TlsWarmUp::~TlsWarmUp()
{
    m_worker->wait();
}
