#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "TestRoutes.h"
#include "quarlolink/IEOHttpItem.h"

namespace {

using quarlo::testing::AddStandardRoutes;
using quarlo::testing::TestServer;
using quarlolink::IEOHttpItem;

// A loopback port that is bound but not listening: connecting to it is refused.
class RefusingPort {
 public:
  RefusingPort() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
  }
  ~RefusingPort() { close(fd_); }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

class TransportFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddStandardRoutes(server_);
    server_.Start();
    facade_.SetCmdTimeout(10);
  }

  TestServer server_;
  IEOHttpItem facade_;
};

TEST_F(TransportFailureTest, FailuresGiveTheirReasonAndTheFacadeRecovers) {
  RefusingPort refusing;
  const std::string refused = "http://127.0.0.1:" + std::to_string(refusing.port()) + "/text";
  struct Row {
    const char* name;
    std::string url;
    const char* reason;  // a part of OptString
  };
  const Row rows[] = {
      {"refused connection", refused, "connect"},
      {"body cut off midway", server_.Url("/truncate"), "partial"},
      {"malformed URL", "http://[::1", ""},
      {"request too long to send", server_.Url("/length?q=" + std::string(1100000, 'A')),
       "too long"},
  };
  for (const Row& row : rows) {
    facade_.GetText(row.url);
    EXPECT_NE(facade_.OptStatus(), 0) << row.name;
    EXPECT_NE(facade_.OptString().find(row.reason), std::string::npos) << facade_.OptString();
    EXPECT_FALSE(facade_.OptString().empty()) << row.name;
    EXPECT_EQ(facade_.ResponseText(), "") << row.name;
    facade_.GetText(server_.Url("/text"));
    EXPECT_EQ(facade_.ResponseText(), "hello") << row.name;
  }
  facade_.GetHead(refused);
  EXPECT_EQ(facade_.OptStatus(), -1);
}

TEST_F(TransportFailureTest, LongRequestIsSentOverHttp) {
  // About what a 100,000-character statement becomes once percent-encoded.
  const std::string url = server_.Url("/length?q=" + std::string(300000, 'A'));
  facade_.GetText(url);
  // The scripted server answers 414 to anything this long, but the request went out and an
  // answer came back.
  EXPECT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
}

}  // namespace
