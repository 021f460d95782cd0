#pragma once

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumetra::test {

// A network printer for tests: a TCP listener on a loopback address (port
// 9100 by default) that accepts every connection and records every byte it
// receives, in a thread of the test process. Give each test case its own
// address: test cases run in parallel processes.
//
// The wait functions block until what they wait for has happened; they give
// up only after a generous guard against hanging, never as a measurement,
// and then return what there is so the test's comparison fails.
class FakeNetworkPrinter {
 public:
  // With a `receiveBuffer`, it is like a printer with a small network
  // stack: it buffers only about that many bytes, so how fast it reads
  // shows at the sender.
  explicit FakeNetworkPrinter(std::string address, std::uint16_t port = 9100, std::size_t receiveBuffer = 0);
  ~FakeNetworkPrinter();
  FakeNetworkPrinter(const FakeNetworkPrinter&) = delete;
  FakeNetworkPrinter& operator=(const FakeNetworkPrinter&) = delete;

  const std::string& address() const { return address_; }
  // "socket://address:port": the device of a raw CUPS queue that prints here.
  std::string deviceUri() const;

  // Every byte received so far, connections in the order they were accepted.
  std::string received() const;
  // received(), once it holds at least `count` bytes.
  std::string waitForBytes(std::size_t count) const;
  // received(), once one connection has brought `text`.
  std::string waitForText(const std::string& text) const;
  // The bytes of each connection, once `count` connections have been closed
  // (by the client or by dropConnections()).
  std::vector<std::string> waitForClosedConnections(std::size_t count) const;
  // The bytes of each connection, once the sender has ended its sending on
  // `count` of them, whether the printer then closed them or kept them open.
  std::vector<std::string> waitForEndsOfSending(std::size_t count) const;
  // What the `number`-th connection (counted from 1) delivered, once it has
  // closed: one job of a raw queue, which connects once per job.
  std::string job(std::size_t number) const;
  // How many connections were accepted, once there are at least `count`.
  std::size_t waitForConnections(std::size_t count) const;

  // What each connection brought, and whether the printer ended it on its
  // own (a drop, a switch-off, a reset) rather than the sender ending it.
  struct ConnectionRecord {
    std::string bytes;
    bool endedByPrinter = false;
  };
  std::vector<ConnectionRecord> connectionRecords() const;

  // The printer closes every open connection, as one that drops idle
  // connections does; bytes sent after that are answered with a reset.
  // Returns once done.
  void dropConnections();
  // The printer stops taking bytes, as one whose buffer is full does; its
  // connections stay open. Returns once in effect.
  void stopReading();
  // It takes bytes again, from every connection still open.
  void resumeReading();
  // It prints slowly: `bytes` at a time, with a pause after each.
  void readSlowly(std::size_t bytes, std::chrono::milliseconds pause);
  // It keeps its side of each connection open once the sender has ended
  // its own, as a print server that closes only on its own idle timeout
  // does.
  void keepConnectionsOpen();
  // How many of the connections it kept open the sender has since let go
  // of altogether (closed, not just ended its sending): each is sent one
  // byte, which a socket its owner closed answers with a reset.
  std::size_t keptConnectionsClosedBySender();

  // The printer is switched off: it refuses new connections and closes open
  // ones after taking the bytes already in its buffer; bytes that arrive
  // later are answered with a reset. switchOn() brings it back on the same
  // address. Both return once in effect.
  void switchOff();
  void switchOn();

  // The printer resets every open connection, as one that is power-cycled
  // or fails: what waited unread in its buffers is lost. It keeps taking
  // new connections.
  void resetConnections();
  // The printer loses power: open connections are reset and their unread
  // bytes lost, new ones refused until switchOn().
  void cutPower();
  // It fails in the middle of a ticket: once it has read `afterBytes` more
  // bytes (on whichever connection), it resets that connection.
  void resetMidTicket(std::size_t afterBytes);
  // It stops answering connection requests (they go unanswered, as to a
  // printer that is off the network) until answerAgain(); open
  // connections are left as they are.
  void stopAnswering();
  void answerAgain();

 private:
  struct Connection {
    int descriptor;
    std::string bytes;
    bool closed = false;
    bool endedByPrinter = false;
    bool endedBySender = false;
  };
  enum class Request {
    none,
    drop,
    stopReading,
    resumeReading,
    readSlowly,
    keepOpen,
    probeKept,
    switchOff,
    switchOn,
    reset,
    cutPower,
    armReset,
    stopAnswering,
    answerAgain,
    quit
  };

  void serve();
  void acceptConnection();
  void keepConnection(int descriptor);
  // While it does not answer: takes up the connections waiting in the full
  // accept queue, all but the filler's.
  void takeQueuedConnections();
  void readFrom(Connection& connection);
  void closeConnection(Connection& connection);
  void resetOpenConnections();
  void resetConnection(Connection& connection);
  void takeWhatArrived(Connection& connection);
  void senderEnded(Connection& connection);
  std::size_t probeKeptConnections();
  std::vector<std::string> streamsOnce(const std::function<bool(const Connection&)>& counted, std::size_t count) const;
  bool handleRequest();  // false: stop serving
  void request(Request what);
  bool waitUntil(const std::function<bool()>& done) const;

  std::string address_;
  std::uint16_t port_;
  int listener_ = -1;    // none while switched off or not answering
  int unanswered_ = -1;  // while not answering: a listener whose queue is full
  int queueFiller_ = -1;
  int wakeup_ = -1;  // eventfd: requests from the test's thread
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Connection> connections_;          // guarded by mutex_
  Request pending_ = Request::none;              // guarded by mutex_
  std::size_t requestedResetAfter_ = 0;          // guarded by mutex_
  std::size_t requestedReadSize_ = 0;            // likewise
  std::chrono::milliseconds requestedPause_{0};  // likewise
  std::size_t receiveBuffer_ = 0;                // 0: the system's
  std::size_t readSize_ = 65536;                 // touched by the serving thread only
  std::chrono::milliseconds pause_{0};           // likewise
  bool reading_ = true;                          // touched by the serving thread only
  std::size_t resetAfter_ = 0;                   // likewise; 0: no reset armed
  bool keepOpen_ = false;                        // likewise
  std::size_t closedBySender_ = 0;               // guarded by mutex_: the last probe's finding
  // The serving thread's poll list and the connection each entry after the
  // first two watches, kept here rather than on its stack: a fuzz target's
  // leak check, taken while the thread blocks in poll, reported the list as
  // lost when only the thread's stack held it. Touched by that thread only.
  std::vector<pollfd> watched_;
  std::vector<std::size_t> watchedConnections_;
  std::thread thread_;
};

// A listener whose accept queue is full, so a further connect is never
// answered: an address where a printer is switched on but not ready.
class UnansweredListener {
 public:
  explicit UnansweredListener(const std::string& address, std::uint16_t port = 9100);
  ~UnansweredListener();
  UnansweredListener(const UnansweredListener&) = delete;
  UnansweredListener& operator=(const UnansweredListener&) = delete;

 private:
  int listener_ = -1;
  int queued_ = -1;  // the connection that fills the queue
};

// A connection's bytes less the real-time status request (DLE EOT 1) that a
// printer not known to answer it is sent first: what it got for its ticket.
std::string withoutStatusRequest(std::string bytes);
std::vector<std::string> withoutStatusRequests(std::vector<std::string> connections);

// Descriptors open in this process right now (/proc/self/fd).
std::size_t openDescriptorCount();

}  // namespace lumetra::test
