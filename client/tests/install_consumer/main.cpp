#include <quarlolink/IEOHttpItem.h>

// Builds against the installed headers and library; a request to a closed port fails cleanly.
int main() {
  quarlolink::IEOHttpItem facade;
  facade.SetCmdTimeout(5);
  facade.GetText("http://127.0.0.1:1/");
  return facade.OptStatus() == -1 ? 0 : 1;
}
