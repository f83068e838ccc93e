#pragma once

#include "PageViewer.h"

#include <QByteArray>
#include <QImage>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <chrono>

class QNetworkReply;

// A page viewer that shows one picture fetched by HTTP GET: the picture is
// drawn as large as fits, aspect ratio kept, centred on a dark background.
// A picture that cannot be fetched or decoded is replaced by a short plain
// message naming the reason.
//
// One load runs at a time. Navigate() aborts a load still running; that
// superseded load is dropped without trace: it raises no DownloadComplete(),
// changes nothing on the screen, and Busy() stays true for the load that
// replaced it. Every load that is not superseded raises DownloadComplete()
// exactly once when it ends, failed or not, always from the event loop and
// never from inside Navigate(). Busy() is already false when it is raised.
class QtPageViewer : public QWidget, public PageViewer
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultTimeout{60000};
    static constexpr qint64 defaultMaxBodyBytes = 16 * 1024 * 1024;
    static constexpr int maxRedirects = 5;

    explicit QtPageViewer(QWidget* parent = nullptr, std::chrono::milliseconds timeout = defaultTimeout,
                          qint64 maxBodyBytes = defaultMaxBodyBytes);
    ~QtPageViewer() override;

    void Navigate(const QString& url) override;
    bool Busy() const override;
    // Negative sizes count as zero.
    void setSizeTwips(int width, int height) override;
    QObject* notifier() override { return this; }

    // The URL of the latest Navigate(), whether or not it has ended.
    QUrl currentUrl() const { return m_url; }
    // The picture on show; null before the first picture and after a failure.
    QImage picture() const { return m_picture; }
    // The message on show in place of a picture; empty when there is none.
    QString failureText() const { return m_failure; }

signals:
    void DownloadComplete();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onReadyRead();
    void onFinished();
    void onDeadline();
    void dropLoad();
    void showFailure(const QString& reason);
    QString transferFailure() const;

    QNetworkAccessManager m_manager;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QTimer m_headDeadline;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBodyBytes;

    QUrl m_url;
    QByteArray m_body;
    // Set when the viewer itself cut the load short, before the abort.
    QString m_abortReason;

    QImage m_picture;
    QString m_failure;
};
