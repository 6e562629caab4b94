#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

// One QApplication for the whole run, made after the flags are read.
class QtApplication : public testing::Environment {
 public:
  QtApplication(int& argc, char** argv) : argc_(argc), argv_(argv) {}
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int& argc_;
  char** argv_;
  std::unique_ptr<QApplication> app_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(std::make_unique<QtApplication>(argc, argv).release());
  return RUN_ALL_TESTS();
}
