#include "platform/download.h"

#include "core/atomic_file.h"
#include "core/session_log.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <cstdio>

namespace zv {

TDownloader::TDownloader(QObject* parent) : QObject(parent), net_(new QNetworkAccessManager(this)) {}

void TDownloader::DownloadFile(const std::string& url, const std::string& file, int timeoutMs,
                               std::function<void(bool, int)> done) {
  QNetworkRequest req{QUrl(QString::fromStdString(url))};
  req.setHeader(QNetworkRequest::UserAgentHeader, "Zelvar AutoUpdate");
  req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  req.setTransferTimeout(timeoutMs);
  QNetworkReply* reply = net_->get(req);
  connect(reply, &QNetworkReply::finished, this, [reply, file, done] {
    reply->deleteLater();
    QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    bool ok = false;
    if (status.isValid()) {
      QByteArray body = reply->readAll();
      try {
        WriteFileAtomic(file, std::string_view(body.constData(), static_cast<size_t>(body.size())));
        ok = true;
      } catch (const std::exception& e) {
        Log(std::string("!TDownloader: ") + e.what());
      }
    } else {
      Log("!TDownloader: " + reply->errorString().toStdString());
      std::remove(file.c_str());
    }
    if (done)
      done(ok, status.isValid() ? status.toInt() : 0);
  });
}

} // namespace zv
