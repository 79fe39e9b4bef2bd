#pragma once
// The proxy as the program runs it, for tests and benchmarks: a listening socket on a free
// loopback port whose connection threads serve sessions, and a UI thread (a scripted
// Application) that owns the connection monitor's rows and runs the threads' synchronised steps.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "forms/list_view.h"
#include "forms/test_application.h"
#include "newsgate/Serverthread.h"
#include "platform/net.h"

namespace nntp_fixture {

class Proxy {
 public:
  explicit Proxy(int threadCacheSize = 5) {
    std::atomic<bool> ready{false};
    ui_ = std::thread([&] {
      forms::TestApplication app;
      forms::TListView list(nullptr, "ClientList");
      app_ = &app;
      list_ = &list;
      ready = true;
      while (!stop_) app.CheckSynchronize(20);
      app.CheckSynchronize(0);
      list_ = nullptr;
      app_ = nullptr;
    });
    while (!ready) std::this_thread::yield();
    server_.ThreadCacheSize = threadCacheSize;
    server_.OnGetThread = [this](win::net::TServerClientWinSocket* socket) {
      ++threadsMade_;
      return new newsgate::TServerThread(true, socket, list_);
    };
    server_.Open();
  }
  ~Proxy() {
    server_.Close();
    stop_ = true;
    ui_.join();
  }
  Proxy(const Proxy&) = delete;
  Proxy& operator=(const Proxy&) = delete;

  std::uint16_t Port() const { return server_.LocalPort(); }
  win::net::TServerSocket& Server() { return server_; }
  int ThreadsMade() const { return threadsMade_; }

  // The monitor's rows as caption and sub-items, read on the UI thread.
  std::vector<std::vector<std::string>> Rows() {
    std::vector<std::vector<std::string>> rows;
    app_->Synchronize([&] {
      for (int i = 0; i < list_->Count(); ++i) {
        const forms::TListItem* row = list_->Item(i);
        std::vector<std::string> cells{row->Caption()};
        cells.insert(cells.end(), row->SubItems().begin(), row->SubItems().end());
        rows.push_back(std::move(cells));
      }
    });
    return rows;
  }

 private:
  std::thread ui_;
  std::atomic<bool> stop_{false};
  forms::TestApplication* app_ = nullptr;
  forms::TListView* list_ = nullptr;
  win::net::TServerSocket server_;
  std::atomic<int> threadsMade_{0};
};

}  // namespace nntp_fixture
