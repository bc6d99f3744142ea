#pragma once

#include <QObject>
#include <functional>
#include <string>

class QNetworkAccessManager;

namespace zv {

// Fetches a URL into a file in the background. Any answer that carries an HTTP status, an error
// status included, counts as downloaded and its body is stored; a failed connection or the time
// limit deletes the file. The callback runs on the user-interface thread.
class TDownloader : public QObject {
public:
  explicit TDownloader(QObject* parent = nullptr);
  void DownloadFile(const std::string& url, const std::string& file, int timeoutMs,
                    std::function<void(bool ok, int status)> done);

private:
  QNetworkAccessManager* net_;
};

} // namespace zv
