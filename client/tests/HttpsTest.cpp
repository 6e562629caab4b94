#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "RawTlsServer.h"
#include "TempDir.h"
#include "TestRoutes.h"
#include "quarlolink/IEOHttpItem.h"

namespace {

using quarlo::testing::AddStandardRoutes;
using quarlo::testing::ScopedEnv;
using quarlo::testing::TempDir;
using quarlo::testing::TestServer;
using quarlolink::IEOHttpItem;

// A self-signed certificate for 127.0.0.1, made fresh for the run.
class SelfSigned {
 public:
  SelfSigned() {
    const std::string cmd =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        key() + "' -out '" + cert() + "' >/dev/null 2>&1";
    ok_ = std::system(cmd.c_str()) == 0;
  }
  bool ok() const { return ok_; }
  std::string cert() const { return (dir_ / "cert.pem").string(); }
  std::string key() const { return (dir_ / "key.pem").string(); }

 private:
  TempDir dir_;
  bool ok_ = false;
};

class HttpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pem_.ok()) << "openssl could not make a certificate";
    server_ = std::make_unique<TestServer>(pem_.cert(), pem_.key());
    AddStandardRoutes(*server_);
    server_->Start();
    facade_.SetCmdTimeout(10);
  }
  std::string Url(const std::string& path) const { return server_->Url(path, "https"); }

  SelfSigned pem_;
  std::unique_ptr<TestServer> server_;
  IEOHttpItem facade_;
};

// A site with a certificate of its own: refused until the CA file names it; then long
// statements go out up to the limit, with the session cookie, and are refused above it.
TEST_F(HttpsTest, CertificateTrustAndLongRequests) {
  facade_.GetText(Url("/text"));
  EXPECT_EQ(facade_.OptStatus(), -1);
  EXPECT_NE(facade_.OptString().find("certificate"), std::string::npos) << facade_.OptString();
  EXPECT_EQ(facade_.ResponseText(), "");
  {
    ScopedEnv unreadable("QUARLO_CA_FILE", "/nonexistent/ca.pem");
    facade_.GetText(Url("/text"));
    EXPECT_EQ(facade_.OptStatus(), -1);
    EXPECT_FALSE(facade_.OptString().empty());
  }
  ScopedEnv trust("QUARLO_CA_FILE", pem_.cert());
  facade_.GetText(Url("/text"));
  EXPECT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
  EXPECT_EQ(facade_.ResponseText(), "hello");
  facade_.GetHead(Url("/headers"));
  EXPECT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
  EXPECT_EQ(facade_.HTTPCode(), "200");

  quarlo::testing::RawTlsServer raw(pem_.cert(), pem_.key());
  facade_.GetText(Url("/cookie/set"));
  ASSERT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
  facade_.GetText(raw.Url("/length?q=" + std::string(110000, 'A')));
  EXPECT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
  EXPECT_GT(std::stoul("0" + facade_.ResponseText()), 110000u);
  EXPECT_TRUE(facade_.ResponseText().ends_with("|QSESSION=s123")) << facade_.ResponseText();
  facade_.GetText(raw.Url("/length?q=" + std::string(200000, 'A')));
  EXPECT_EQ(facade_.OptStatus(), -1);
  EXPECT_NE(facade_.OptString().find("too long"), std::string::npos) << facade_.OptString();
}

}  // namespace
