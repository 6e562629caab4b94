#include "HttpServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace quarlopages {

namespace {

// What one request carries from the URI callback to its completion.
struct Call {
  std::string target;
  bool started = false;
  std::chrono::steady_clock::time_point begin = std::chrono::steady_clock::now();
};

std::string ClientAddress(MHD_Connection* connection) {
  const auto* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  if (!info || !info->client_addr) return "";
  char text[INET6_ADDRSTRLEN] = "";
  const sockaddr* sa = info->client_addr;
  if (sa->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
  } else if (sa->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, text, sizeof text);
  }
  return text;
}

MHD_Result Reply(MHD_Connection* connection, int status, const std::string& text,
                 const char* contentType) {
  MHD_Response* response = MHD_create_response_from_buffer(
      text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
  if (!response) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
  MHD_Result ok = MHD_queue_response(connection, static_cast<unsigned>(status), response);
  MHD_destroy_response(response);
  return ok;
}

}  // namespace

struct HttpCallbacks {
  static void* OnUri(void* cls, const char* uri, MHD_Connection*) {
    (void)cls;
    // Copied now: libmicrohttpd decodes the target in place afterwards.
    auto call = std::make_unique<Call>();
    call->target = uri ? uri : "";
    return call.release();  // libmicrohttpd holds it until OnCompleted
  }

  // Tells the listener when a connection it handed over has ended; the mark makes it once.
  static void OnConnection(void* cls, MHD_Connection*, void** mark,
                           MHD_ConnectionNotificationCode code) {
    auto* listener = static_cast<Listener*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
      *mark = listener;
    } else if (code == MHD_CONNECTION_NOTIFY_CLOSED && *mark) {
      *mark = nullptr;
      listener->Closed();
    }
  }

  static void OnCompleted(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
    std::unique_ptr<Call> call(static_cast<Call*>(*context));
    *context = nullptr;
  }

  static MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url,
                              const char* method, const char*, const char*, size_t* uploadSize,
                              void** context) {
    auto* server = static_cast<HttpServer*>(cls);
    auto* call = static_cast<Call*>(*context);
    if (!call) return MHD_NO;
    if (!call->started) {
      // Answering on the second call keeps the connection alive.
      call->started = true;
      return MHD_YES;
    }
    if (*uploadSize) {
      *uploadSize = 0;  // a body is neither expected nor read
      return MHD_YES;
    }
    bool head = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
    if (!head && std::strcmp(method, MHD_HTTP_METHOD_GET) != 0) {
      return Reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Method Not Allowed",
                   "text/plain; charset=UTF-8");
    }
    if (server->stopping_) {
      return Reply(connection, MHD_HTTP_SERVICE_UNAVAILABLE, "Service Unavailable",
                   "text/plain; charset=UTF-8");
    }
    {
      std::lock_guard lock(server->activeMutex_);
      ++server->active_;
    }
    PageRequest request;
    request.path = url ? url : "";
    request.target = call->target;
    request.head = head;
    request.clientAddress = ClientAddress(connection);
    if (const char* cookie =
            MHD_lookup_connection_value(connection, MHD_COOKIE_KIND, kSessionCookie)) {
      request.sessionCookie = cookie;
    }
    PageResponse page;
    try {
      page = server->handler_(request);
    } catch (const std::exception&) {
      page.status = 500;
      page.body = "Internal Server Error";
      page.contentType = "text/plain; charset=UTF-8";
      page.outcome = "error";
    }
    MHD_Result ok = MHD_NO;
    if (MHD_Response* response = MHD_create_response_from_buffer(page.body.size(), page.body.data(),
                                                                 MHD_RESPMEM_MUST_COPY)) {
      MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, page.contentType.c_str());
      MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
      if (!page.location.empty()) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, page.location.c_str());
      }
      if (!page.setCookie.empty()) {
        std::string cookie = std::string(kSessionCookie) + "=" + page.setCookie +
                             "; Path=/; HttpOnly; SameSite=Strict";
        if (!server->options_.tlsCertPem.empty()) cookie += "; Secure";
        MHD_add_response_header(response, MHD_HTTP_HEADER_SET_COOKIE, cookie.c_str());
      }
      const double handledMs =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - call->begin)
              .count();
      MHD_add_response_header(response, "Server-Timing",
                              ServerTimingValue(page.timing, handledMs).c_str());
      ok = MHD_queue_response(connection, static_cast<unsigned>(page.status), response);
      MHD_destroy_response(response);
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - call->begin).count();
    if (server->logger_) server->logger_(request, page, seconds);
    {
      std::lock_guard lock(server->activeMutex_);
      if (--server->active_ == 0) server->idle_.notify_all();
    }
    return ok;
  }
};

HttpServer::HttpServer(HttpOptions options, Handler handler, Logger logger)
    : options_(std::move(options)), handler_(std::move(handler)), logger_(std::move(logger)) {}

HttpServer::~HttpServer() { Stop(); }

void HttpServer::Start() {
  sockaddr_storage address{};
  bool v6 = false;
  auto* a4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* a6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, options_.listen.c_str(), &a4->sin_addr) == 1) {
    a4->sin_family = AF_INET;
    a4->sin_port = htons(static_cast<uint16_t>(options_.port));
  } else if (inet_pton(AF_INET6, options_.listen.c_str(), &a6->sin6_addr) == 1) {
    a6->sin6_family = AF_INET6;
    a6->sin6_port = htons(static_cast<uint16_t>(options_.port));
    v6 = true;
  } else {
    throw std::runtime_error("--listen: \"" + options_.listen + "\" is not an IP address");
  }

  try {
    listener_ = std::make_unique<Listener>(reinterpret_cast<sockaddr*>(&address),
                                           v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
  } catch (const std::runtime_error& e) {
    throw std::runtime_error("cannot listen on " + options_.listen + " port " +
                             std::to_string(options_.port) + ": " + e.what());
  }
  Listener* listener = listener_.get();

  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL |
                   MHD_USE_ITC | MHD_USE_ERROR_LOG | MHD_USE_NO_LISTEN_SOCKET;
  if (v6) flags |= MHD_USE_IPv6;
  bool tls = !options_.tlsCertPem.empty();
  if (tls) flags |= MHD_USE_TLS;
  // The request line lives in the connection's memory pool, which libmicrohttpd maps and
  // clears for every connection: big enough for the longest statement, no bigger.
  size_t pool = options_.maxRequestTarget + 64 * 1024;
  // The listener keeps to the limit. libmicrohttpd's own count lags (a closed connection counts
  // until its thread is joined), so its limit only guards against a runaway.
  unsigned mhdLimit = options_.maxConnections * 2 + 64;

  auto onUri = &HttpCallbacks::OnUri;
  auto onCompleted = &HttpCallbacks::OnCompleted;
  auto onConnection = &HttpCallbacks::OnConnection;
  if (tls) {
    daemon_ = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &HttpCallbacks::OnRequest, this, MHD_OPTION_URI_LOG_CALLBACK,
        onUri, this, MHD_OPTION_NOTIFY_COMPLETED, onCompleted, this, MHD_OPTION_NOTIFY_CONNECTION,
        onConnection, listener, MHD_OPTION_CONNECTION_MEMORY_LIMIT, pool,
        MHD_OPTION_CONNECTION_LIMIT, mhdLimit, MHD_OPTION_CONNECTION_TIMEOUT,
        options_.idleTimeoutSeconds, MHD_OPTION_HTTPS_MEM_CERT, options_.tlsCertPem.c_str(),
        MHD_OPTION_HTTPS_MEM_KEY, options_.tlsKeyPem.c_str(), MHD_OPTION_END);
  } else {
    daemon_ = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &HttpCallbacks::OnRequest, this, MHD_OPTION_URI_LOG_CALLBACK,
        onUri, this, MHD_OPTION_NOTIFY_COMPLETED, onCompleted, this, MHD_OPTION_NOTIFY_CONNECTION,
        onConnection, listener, MHD_OPTION_CONNECTION_MEMORY_LIMIT, pool,
        MHD_OPTION_CONNECTION_LIMIT, mhdLimit, MHD_OPTION_CONNECTION_TIMEOUT,
        options_.idleTimeoutSeconds, MHD_OPTION_END);
  }
  if (!daemon_) {
    listener_.reset();
    throw std::runtime_error(
        "cannot start the HTTP server" +
        std::string(tls ? " (the TLS certificate and key are not usable)" : ""));
  }
  // libmicrohttpd closes the socket itself when it cannot take it. (A connection it takes but
  // fails to start later, out of memory, is never announced and keeps its place counted.)
  listener_->Start(options_.maxConnections,
                   [daemon = daemon_](int fd, const sockaddr* peer, socklen_t length) {
                     return MHD_add_connection(daemon, fd, peer, length) == MHD_YES;
                   });
}

std::string HttpServer::Url() const {
  std::string host = options_.listen.find(':') != std::string::npos ? "[" + options_.listen + "]"
                                                                    : options_.listen;
  return std::string(options_.tlsCertPem.empty() ? "http" : "https") + "://" + host + ":" +
         std::to_string(Port());
}

void HttpServer::Quiesce() {
  stopping_ = true;
  if (listener_) listener_->Stop();
}

bool HttpServer::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(activeMutex_);
  return idle_.wait_for(lock, timeout, [&] { return active_ == 0; });
}

void HttpServer::Stop() {
  if (listener_) listener_->Stop();
  if (!daemon_) return;
  MHD_stop_daemon(daemon_);
  daemon_ = nullptr;
}

}  // namespace quarlopages
