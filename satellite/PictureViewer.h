#pragma once

#include "PageViewer.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class FetchReply;
class Network;
struct FetchResult;

// A page viewer that shows one picture fetched by HTTP GET through the
// program's network: the picture is drawn as large as fits, aspect ratio
// kept, centred on a dark background. A picture that cannot be fetched or
// decoded is replaced by a short plain message naming the reason.
//
// One load runs at a time. Navigate() drops a load still running; that
// superseded load leaves no trace: it raises no DownloadComplete(), changes
// nothing on the screen, and Busy() stays true for the load that replaced
// it. Every load that is not superseded raises DownloadComplete() exactly
// once when it ends, failed or not, always from the event loop and never
// from inside Navigate(). Busy() is already false when it is raised.
class PictureViewer : public QWidget, public PageViewer
{
    Q_OBJECT

public:
    explicit PictureViewer(Network& network, QWidget* parent = nullptr);
    ~PictureViewer() override;

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
    void loaded(const FetchResult& result);
    void showFailure(const QString& reason);

    Network& m_network;
    QPointer<FetchReply> m_reply;
    QUrl m_url;
    QImage m_picture;
    QString m_failure;
};
