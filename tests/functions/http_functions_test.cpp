// The HTTP script functions: what each request sends, the ids they answer, and the maps of event
// 62 their completions make, over requests the tests finish by hand.
#include "functions/http_functions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/http_stand_in.h"
#include "file_call.h"
#include "functions/buffer_functions.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "net/async_test_support.h"

namespace file_test {
namespace {

std::vector<async_test::MapEvent> g_fired;
void RecordEvent(int32_t number) { g_fired.push_back({number, async_test::MapEntries(g_AsyncLoad)}); }

class HttpTest : public FileFunctionsTest {
 protected:
  void SetUp() override {
    FileFunctionsTest::SetUp();
    InitBufferFunctions();
    g_fired.clear();
  }
  void TearDown() override {
    Async_Shutdown();
    Async_Open();
    Buffer_FreeAll();
    DS_FreeAll();
    FileFunctionsTest::TearDown();
  }

  // Finishes the oldest request to the URL with the status and bytes, walks the queue and
  // returns the one event it fired.
  static async_test::MapEvent Answer(const char* url, int32_t status, const std::string& body) {
    HTTP_SentRequest* r = HTTP_FindPendingRequest(url);
    EXPECT_NE(r, nullptr) << url;
    if (r == nullptr) return {};
    HTTP_FinishGet(r, status, std::vector<uint8_t>(body.begin(), body.end()));
    g_fired.clear();
    Async_ProcessQueue(RecordEvent);
    EXPECT_EQ(g_fired.size(), 1u);
    return g_fired.empty() ? async_test::MapEvent{} : g_fired[0];
  }
  static double Num(const async_test::MapEvent& e, const char* key) {
    const async_test::Value* v = e.Find(key);
    return v != nullptr && !v->isText ? v->real : -12345.0;
  }
  static std::string Str(const async_test::MapEvent& e, const char* key) {
    const async_test::Value* v = e.Find(key);
    return v != nullptr && v->isText ? v->text : "<absent>";
  }
  static std::vector<std::string> Keys(const async_test::MapEvent& e) {
    std::vector<std::string> keys;
    for (const auto& entry : e.entries) keys.push_back(entry.first);
    std::sort(keys.begin(), keys.end());
    return keys;
  }
  static std::string BodyOf(const HTTP_SentRequest* r) { return std::string(r->body.begin(), r->body.end()); }
};

TEST_F(HttpTest, OnlyHttpAndHttpsUrlsStartARequest) {
  const char* refused[] = {"ftp://x", "HTTP://x", "Https://x", "http:/x", "", " http://x", "file:///etc/passwd"};
  for (const char* url : refused) {
    EXPECT_EQ(CallReal("http_get", {Text(url)}), -1) << url;
    EXPECT_EQ(CallReal("http_post_string", {Text(url), Text("a=1")}), -1) << url;
    EXPECT_EQ(CallReal("http_get_file", {Text(url), Text("f.txt")}), -1) << url;
    EXPECT_EQ(CallReal("http_request", {Text(url), Text("GET"), Real(-1), Text("")}), -1) << url;
  }
  EXPECT_EQ(g_pHttpHead, nullptr);
  EXPECT_EQ(CallReal("http_get", {Real(3)}), -1);
  EXPECT_EQ(g_pHttpHead, nullptr);
}

TEST_F(HttpTest, IdsComeFromTheSharedCounter) {
  const int32_t first = Async_NextRequestId();
  EXPECT_EQ(CallReal("http_get", {Text("http://a/")}), first);
  Async_PostMapEvent(DS_CreateMap(), 70);  // another producer's record takes the next id
  EXPECT_EQ(CallReal("http_post_string", {Text("https://b/"), Text("x")}), first + 2);
  EXPECT_EQ(HTTP_FindPendingRequest("https://b/")->m_id, first + 2);
}

TEST_F(HttpTest, TheTextCompletionGivesTheAnswerUpToItsFirstNul) {
  const double id = CallReal("http_get", {Text("http://h/t")});
  HTTP_SentRequest* r = HTTP_FindPendingRequest("http://h/t");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->method, "GET");
  const int32_t headers = DS_CreateMap();
  r->SetHeaderMap(headers);
  const async_test::MapEvent e = Answer("http://h/t", 404, std::string("not\0found", 9));
  EXPECT_EQ(e.eventNumber, kAsyncEventHttp);
  EXPECT_EQ(Keys(e), (std::vector<std::string>{"http_status", "id", "response_headers", "result", "status", "url"}));
  EXPECT_EQ(Num(e, "id"), id);
  EXPECT_EQ(Str(e, "url"), "http://h/t");
  EXPECT_EQ(Str(e, "result"), "not");
  EXPECT_EQ(Num(e, "http_status"), 404);
  EXPECT_EQ(Num(e, "response_headers"), headers);
  EXPECT_EQ(Num(e, "status"), 0);

  CallReal("http_post_string", {Text("http://h/p"), Text("a=1&b=2")});
  r = HTTP_FindPendingRequest("http://h/p");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->method, "POST");
  EXPECT_EQ(BodyOf(r), "a=1&b=2");
  const async_test::MapEvent empty = Answer("http://h/p", 200, "");
  EXPECT_EQ(Str(empty, "result"), "");
  EXPECT_EQ(Num(empty, "status"), -1);
  EXPECT_EQ(Num(empty, "response_headers"), -1);
}

// A record whose received count runs past what it holds (a worker's count gone wrong, a forged
// length) is read only as far as its block.
TEST_F(HttpTest, AnAnswerIsNeverReadPastItsBlock) {
  CallReal("http_get", {Text("http://h/big")});
  HTTP_SentRequest* r = HTTP_FindPendingRequest("http://h/big");
  ASSERT_NE(r, nullptr);
  HTTP_FinishGet(r, 200, {'o', 'k'});
  r->m_received = 1 << 30;
  Async_ProcessQueue(RecordEvent);
  ASSERT_EQ(g_fired.size(), 1u);
  EXPECT_EQ(Str(g_fired[0], "result"), "ok");
}

TEST_F(HttpTest, TheFileCompletionWritesTheAnswerIntoTheSaveArea) {
  CallReal("http_get_file", {Text("http://h/f"), Text("dl/deep/f.bin")});
  const std::string path = save + "dl/deep/f.bin";
  struct stat info {};
  EXPECT_EQ(stat((save + "dl/deep").c_str(), &info), 0) << "folders are made when the request starts";
  const async_test::MapEvent e = Answer("http://h/f", 200, std::string("ab\0c", 4));
  EXPECT_EQ(Keys(e), (std::vector<std::string>{"http_status", "id", "response_headers", "result", "status", "url"}));
  EXPECT_EQ(Str(e, "result"), path);
  EXPECT_EQ(Num(e, "status"), 0);
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), std::string("ab\0c", 4));

  // A name the save area refuses starts nothing.
  EXPECT_EQ(CallReal("http_get_file", {Text("http://h/f"), Text("/etc/x")}), -1);
  EXPECT_EQ(HTTP_FindPendingRequest("http://h/f"), nullptr);
}

TEST_F(HttpTest, HeaderMapsBecomeLinesInMapOrder) {
  const int32_t map = DS_CreateMap(1);  // one bucket: insertion order
  g_DsMaps.Get(map)->AddPair("A", 1, nullptr);
  g_DsMaps.Get(map)->AddPair("Content-Length", 0, "3");
  int32_t length = 0;
  EXPECT_EQ(Http_HeaderLines(map, &length), "A: 1\r\nContent-Length: 3\r\n");
  EXPECT_EQ(length, 3);
  EXPECT_EQ(Http_HeaderLines(map + 50, &length), "");
  EXPECT_EQ(length, -1);

  EXPECT_GE(CallReal("http_request", {Text("http://h/r"), Text("PUT"), Real(map), Text("body")}), 0);
  HTTP_SentRequest* r = HTTP_FindPendingRequest("http://h/r");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->method, "PUT");
  EXPECT_EQ(r->headers, "A: 1\r\nContent-Length: 3\r\n");
  EXPECT_EQ(BodyOf(r), "body");
  // A header index that names no map sends no header lines.
  EXPECT_GE(CallReal("http_request", {Text("http://h/n"), Text("GET"), Real(999), Text("")}), 0);
  EXPECT_EQ(HTTP_FindPendingRequest("http://h/n")->headers, "");
}

// A buffer past position 0 is the body, never read past the buffer: a Content-Length within its
// size is the length, otherwise the bytes up to its first zero byte (or the whole buffer).
TEST_F(HttpTest, BufferBodiesStayInsideTheirBuffer) {
  struct Case {
    const char* contentLength;  // null: no header
    std::string data;
    std::string sent;
  };
  const Case cases[] = {
      {"3", std::string("abcdef\0gh", 9), "abc"},
      {"9", std::string("abcdef\0gh", 9), std::string("abcdef\0gh", 9)},
      {nullptr, std::string("abcdef\0gh", 9), "abcdef"},
      {"10", std::string("abcdef\0gh", 9), "abcdef"},
      {"-4", std::string("abcdef\0gh", 9), "abcdef"},
      {"4000000000", "xyz", "xyz"},
      {"0", "xyz", ""},
  };
  for (const Case& c : cases) {
    const int32_t buffer = CreateBuffer(static_cast<int32_t>(c.data.size()), eBuffer_Format_Fixed, 1);
    IBuffer* b = GetBuffer(buffer);
    std::memcpy(b->GetData(), c.data.data(), c.data.size());
    b->m_position = 1;
    const int32_t map = DS_CreateMap();
    if (c.contentLength != nullptr) g_DsMaps.Get(map)->AddPair("Content-Length", 0, c.contentLength);
    ASSERT_GE(CallReal("http_request", {Text("http://h/b"), Text("POST"), Real(map), Real(buffer)}), 0);
    HTTP_SentRequest* r = HTTP_FindPendingRequest("http://h/b");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(BodyOf(r), c.sent) << (c.contentLength != nullptr ? c.contentLength : "none");
    EXPECT_EQ(b->m_inUseCount, 0);
    HTTP_RemoveRequest(r);
  }
}

TEST_F(HttpTest, ABodyThatIsNeitherTextNorABufferStartsNothing) {
  const RValue bodies[] = {math_test::Undefined(), Real(77), Real(-1), math_test::Pointer(1)};
  for (const RValue& body : bodies) {
    EXPECT_EQ(CallReal("http_request", {Text("http://h/x"), Text("GET"), Real(-1), body}), -1);
  }
  EXPECT_EQ(g_pHttpHead, nullptr);
}

// A buffer at position 0 takes the answer: it is in use until the completion has run, grows to
// fit whatever its kind, and ends positioned after the copied bytes.
TEST_F(HttpTest, ABufferAnswerHoldsItsBufferUntilTheCompletion) {
  const int32_t buffer = CreateBuffer(2, eBuffer_Format_Fixed, 1);
  const double id = CallReal("http_request", {Text("https://h/buf"), Text("GET"), Real(-1), Real(buffer)});
  ASSERT_GE(id, 0);
  EXPECT_TRUE(HTTP_FindPendingRequest("https://h/buf")->body.empty());
  EXPECT_EQ(CallReal("buffer_delete", {Real(buffer)}), 0);
  EXPECT_EQ(TakeError(), "Cannot delete buffer, it's in use");
  ASSERT_NE(GetBuffer(buffer), nullptr);

  const async_test::MapEvent e = Answer("https://h/buf", 200, "hello");
  EXPECT_EQ(Keys(e), (std::vector<std::string>{"contentLength", "http_status", "id", "response_headers", "result",
                                               "sizeDownloaded", "status", "url"}));
  EXPECT_EQ(Num(e, "id"), id);
  EXPECT_EQ(Num(e, "result"), 5);
  EXPECT_EQ(Num(e, "contentLength"), 5);
  EXPECT_EQ(Num(e, "sizeDownloaded"), 5);
  EXPECT_EQ(Num(e, "status"), 0);
  IBuffer* b = GetBuffer(buffer);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->m_position, 5);
  ASSERT_GE(b->m_size, 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b->GetData()), 5), "hello");
  EXPECT_EQ(b->m_inUseCount, 0);

  // An empty answer: nothing copied, position 0, status -1.
  b->m_position = 0;
  CallReal("http_request", {Text("https://h/buf"), Text("GET"), Real(-1), Real(buffer)});
  const async_test::MapEvent empty = Answer("https://h/buf", 200, "");
  EXPECT_EQ(Num(empty, "result"), 0);
  EXPECT_EQ(Num(empty, "status"), -1);
  EXPECT_EQ(b->m_position, 0);
  EXPECT_EQ(CallReal("buffer_delete", {Real(buffer)}), 0);
  EXPECT_EQ(GetBuffer(buffer), nullptr);
}

// The end of a game frees every buffer: a pending answer then writes nowhere, not even into a new
// buffer that took the same slot.
TEST_F(HttpTest, AnAnswerForAFreedBufferWritesNothing) {
  const int32_t buffer = CreateBuffer(4, eBuffer_Format_Grow, 1);
  ASSERT_GE(CallReal("http_request", {Text("http://h/gone"), Text("GET"), Real(-1), Real(buffer)}), 0);
  Buffer_FreeAll();
  const int32_t again = CreateBuffer(4, eBuffer_Format_Grow, 1);
  ASSERT_EQ(again, buffer);
  const async_test::MapEvent e = Answer("http://h/gone", 200, "data");
  EXPECT_EQ(Num(e, "result"), 0);
  EXPECT_EQ(GetBuffer(again)->m_position, 0);
  EXPECT_EQ(GetBuffer(again)->GetData()[0], 0);
  EXPECT_EQ(GetBuffer(again)->m_inUseCount, 0);
}

}  // namespace
}  // namespace file_test
