#pragma once

#include "PageViewer.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <memory>

class FetchReply;
class Network;
struct DecodedPicture;
struct FetchResult;

// A page viewer that shows one picture fetched by HTTP GET through the
// program's network: the picture is drawn as large as fits, aspect ratio
// kept, centred on a dark background. A picture that cannot be fetched or
// decoded is replaced by a short plain message naming the reason.
//
// A load is the transfer, then the decoding of the picture on a worker
// thread, so that no picture holds up the window; Busy() is true for both.
// A picture whose decoding would cost far more than any real one is
// refused with the reason instead (see PictureCost). A decoding under way
// is cancelled when its load is superseded, when the viewer goes and when
// the application is about to quit, so none of them waits for it.
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
    void decoded(const DecodedPicture& picture);
    void cancelDecoding();
    void showFailure(const QString& reason);
    void ended();

    Network& m_network;
    QPointer<FetchReply> m_reply;
    // The cancel flag of the decoding under way, which its worker holds
    // too; null when none is.
    std::shared_ptr<std::atomic_bool> m_decoding;
    QUrl m_url;
    QImage m_picture;
    QString m_failure;
};
