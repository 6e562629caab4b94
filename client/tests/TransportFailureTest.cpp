#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
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

TEST_F(TransportFailureTest, RefusedConnectionFailsWithItsReasonAndFacadeRecovers) {
  RefusingPort refusing;
  facade_.GetText("http://127.0.0.1:" + std::to_string(refusing.port()) + "/text");
  EXPECT_EQ(facade_.OptStatus(), -1);
  EXPECT_NE(facade_.OptString().find("connect"), std::string::npos) << facade_.OptString();
  EXPECT_EQ(facade_.Status(), 5);

  facade_.GetText(server_.Url("/text"));
  EXPECT_EQ(facade_.OptStatus(), 0);
  EXPECT_EQ(facade_.ResponseText(), "hello");
}

TEST_F(TransportFailureTest, RefusedHeadRequestFails) {
  RefusingPort refusing;
  facade_.GetHead("http://127.0.0.1:" + std::to_string(refusing.port()) + "/text");
  EXPECT_EQ(facade_.OptStatus(), -1);
  EXPECT_FALSE(facade_.OptString().empty());
}

TEST_F(TransportFailureTest, BodyCutOffMidwayIsAFailureNotAnAnswer) {
  facade_.GetText(server_.Url("/truncate"));
  EXPECT_EQ(facade_.OptStatus(), -1);
  EXPECT_NE(facade_.OptString().find("partial"), std::string::npos) << facade_.OptString();
  EXPECT_EQ(facade_.ResponseText(), "");
}

TEST_F(TransportFailureTest, ServerThatStopsAnsweringTimesOut) {
  facade_.SetCmdTimeout(1);
  const auto start = std::chrono::steady_clock::now();
  facade_.GetText(server_.Url("/hang"));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(facade_.OptStatus(), 10015);
  EXPECT_EQ(facade_.OptString(), "运行超时!");
  EXPECT_LT(waited, std::chrono::seconds(3));
}

TEST_F(TransportFailureTest, MalformedUrlFailsAtOnce) {
  facade_.GetText("http://[::1");
  EXPECT_NE(facade_.OptStatus(), 0);
  EXPECT_NE(facade_.OptStatus(), 10015);
  EXPECT_FALSE(facade_.OptString().empty());
}

TEST_F(TransportFailureTest, LongRequestIsSentOverHttp) {
  // About what a 100,000-character statement becomes once percent-encoded.
  const std::string url = server_.Url("/length?q=" + std::string(300000, 'A'));
  facade_.GetText(url);
  // The scripted server answers 414 to anything this long, but the request went out and an
  // answer came back.
  EXPECT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
}

TEST_F(TransportFailureTest, TooLongRequestFailsAtOnceWithAClearText) {
  const std::string url = server_.Url("/length?q=" + std::string(1100000, 'A'));
  const auto start = std::chrono::steady_clock::now();
  facade_.GetText(url);
  EXPECT_EQ(facade_.OptStatus(), -1);
  EXPECT_NE(facade_.OptString().find("too long"), std::string::npos) << facade_.OptString();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
