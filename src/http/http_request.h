#pragma once
// One request's state inside HttpServer, shared by the library's callbacks (http_server.cpp)
// and the request handling (http_requests.cpp).
#include "http/http_server.h"
#include "http/request_target.h"
#include "platform/atomic_upload.h"

#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>

#include <cstdarg>
#include <cstdint>

#include <microhttpd.h>

namespace ohmkit::http {

struct HttpServer::Request {
    enum class Part { None, Skipped, Refused, Writing };

    explicit Request(HttpServer& owner) : server(owner) {}
    ~Request()
    {
        closing = true;   // the post processor may flush a last piece while it is destroyed
        if (post) MHD_destroy_post_processor(post);
    }

    // The form parser's callback: hands each piece of a file part to the server.
    static MHD_Result onFormField(void* cls, MHD_ValueKind, const char*, const char* fileName, const char*,
                                  const char*, const char* data, std::uint64_t offset, std::size_t size);

    HttpServer& server;
    Route route;
    std::unique_ptr<platform::AtomicUpload> upload;   // discarded unless committed
    int writeError = 0;
    bool replaces = false;                            // the upload's name exists already
    net::FileTransfer transfer;
    bool transferOpen = false;                        // its end not reported yet
    bool closing = false;
    bool head = false;                                // a HEAD: headers only, no transfer
    std::string folderPath;                           // the real folder an upload goes into
    // A form upload: its parser, the file part it is in, and one line per file.
    MHD_PostProcessor* post = nullptr;
    Part part = Part::None;
    std::string partName;
    std::vector<std::string> formLines;
    unsigned formStatus = 0;                          // the worst refusal so far, 0: none
    std::size_t formSaved = 0;
};


}  // namespace ohmkit::http
