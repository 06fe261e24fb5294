#include "standin/serve/server.h"

#include <httplib.h>

#include <charconv>
#include <stdexcept>

#include "standin/assets/asset_error.h"
#include "standin/json/utf8.h"
#include "standin/saved/container.h"
#include "standin/serve/connections.h"
#include "standin/serve/event_hub.h"
#include "standin/serve/lookdev_views.h"
#include "standin/serve/panel_values.h"
#include "standin/serve/preview.h"
#include "standin/serve/request_guard.h"
#include "standin/serve/studio.h"
#include "standin/serve/web_assets.h"

namespace standin {
namespace {

using nlohmann::json;

constexpr size_t kMaxBody = 64 * 1024;

struct BodyTooLarge : std::runtime_error {
  BodyTooLarge() : std::runtime_error("the body is over " + std::to_string(kMaxBody) + " bytes") {}
};

// Text that is not UTF-8 (a name quoted from the folder) is sent with
// U+FFFD in its place rather than failing the answer.
void SendJson(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void SendError(httplib::Response& res, int status, const std::string& message) {
  SendJson(res, status, {{"error", Printable(message)}});
}

// The request's body, read up to kMaxBody bytes whatever its framing.
std::string ReadBody(const httplib::ContentReader& reader) {
  std::string body;
  bool tooLarge = false;
  const bool whole = reader([&](const char* data, size_t length) {
    tooLarge = length > kMaxBody - body.size();
    if (!tooLarge) body.append(data, length);
    return !tooLarge;
  });
  if (tooLarge) throw BodyTooLarge();
  if (!whole) throw RequestError("the request body could not be read whole");
  return body;
}

json ParseBody(const std::string& body) {
  try {
    return json::parse(body);
  } catch (const json::exception& e) {
    throw RequestError(std::string("malformed JSON: ") + e.what());
  }
}

std::string NameKey(const json& body) {
  const auto it = body.is_object() ? body.find("name") : body.end();
  if (it == body.end() || !it->is_string()) throw RequestError("\"name\" must be a string");
  return it->get<std::string>();
}

// The frame of a page's "drawn" report: {"frame": ID}.
std::uint64_t FrameKey(const json& body) {
  const auto it = body.is_object() ? body.find("frame") : body.end();
  if (it == body.end() || !it->is_number_unsigned())
    throw RequestError("\"frame\" must be a frame's id, a whole number");
  return it->get<std::uint64_t>();
}

// The frame id of /api/preview's "after": a page's newest frame.
std::uint64_t AfterKey(const std::string& text) {
  std::uint64_t id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    throw RequestError("\"after\" must be a frame's id, a whole number");
  return id;
}

// Runs `body`, answering bad input with 400 and its message, anything else
// with 500.
template <typename Body>
void Guarded(httplib::Response& res, Body body) {
  try {
    body();
  } catch (const BodyTooLarge& e) {
    SendError(res, 413, e.what());
  } catch (const RequestError& e) {
    SendError(res, 400, e.what());
  } catch (const ScenePathError& e) {
    SendError(res, 400, e.what());
  } catch (const SceneError& e) {
    SendError(res, 400, e.what());
  } catch (const ContainerError& e) {
    SendError(res, 400, e.what());
  } catch (const AssetError& e) {
    SendError(res, 400, e.what());
  } catch (const FileError& e) {
    SendError(res, 500, e.what());
  } catch (const std::exception& e) {
    SendError(res, 500, e.what());
  }
}

bool IsJson(const httplib::Request& req) {
  return req.get_header_value("Content-Type").rfind("application/json", 0) == 0;
}

struct Refusal {
  int status;
  std::string message;
};

// Why a request is refused before it is read further, if it is: a Host that
// is not this server; for the interface and changes, another site's page;
// for changes, a body that is not JSON or declares more than kMaxBody.
std::optional<Refusal> Refuse(const httplib::Request& req, const ServerAddress& address) {
  if (!HostAllowed(req.get_header_value("Host"), address))
    return Refusal{403, "refused: the Host header does not name this server"};
  const bool changes = ChangesState(req.method);
  if (!changes && !IsInterface(req.path)) return std::nullopt;
  if (FromAnotherSite(req.get_header_value("Origin"), req.get_header_value("Sec-Fetch-Site"),
                      address))
    return Refusal{403, "refused: the request comes from another site"};
  if (!changes) return std::nullopt;
  if (!IsJson(req)) return Refusal{415, "expected Content-Type: application/json"};
  if (req.get_header_value<std::uint64_t>("Content-Length") > kMaxBody)
    return Refusal{413, BodyTooLarge().what()};
  return std::nullopt;
}

}  // namespace

struct LookdevServer::Impl {
  explicit Impl(const ServeOptions& o)
      : options(o),
        studio(o.module, o.scene, SceneFolder(o.sceneFolder)),
        preview(studio, events, o.threads),
        server(o.limits) {}

  void Routes();
  void Guard();
  void Change(const httplib::ContentReader& body, httplib::Response& res,
              std::uint64_t (*apply)(Studio&, const json&));
  void Events(httplib::Response& res);
  void Frame(const httplib::Request& req, httplib::Response& res);
  void View(httplib::Response& res, std::string ViewImages::*picture);

  ServeOptions options;
  ServerAddress address;
  EventHub events;
  Studio studio;
  PreviewWorker preview;
  ConnectionServer server;
};

void LookdevServer::Impl::Guard() {
  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    const std::optional<Refusal> refusal = Refuse(req, address);
    if (!refusal) return httplib::Server::HandlerResponse::Unhandled;
    SendError(res, refusal->status, refusal->message);
    return httplib::Server::HandlerResponse::Handled;
  });
  server.set_payload_max_length(kMaxBody);
  server.set_default_headers({{"Cache-Control", "no-store"},
                              {"X-Content-Type-Options", "nosniff"},
                              {"X-Frame-Options", "DENY"},
                              {"Content-Security-Policy",
                               "default-src 'self'; img-src 'self' data: blob:; frame-ancestors 'none'"}});
}

void LookdevServer::Impl::Change(const httplib::ContentReader& body, httplib::Response& res,
                                 std::uint64_t (*apply)(Studio&, const json&)) {
  Guarded(res, [&] {
    const std::uint64_t version = apply(studio, ParseBody(ReadBody(body)));
    preview.Wake();
    events.Publish("state", "{\"version\":" + std::to_string(version) + "}");
    SendJson(res, 200, {{"version", version}});
  });
}

void LookdevServer::Impl::Events(httplib::Response& res) {
  if (!events.OpenStream()) {
    SendError(res, 503, "too many event streams are open");
    return;
  }
  auto cursor = std::make_shared<std::uint64_t>(events.Latest());
  auto first = std::make_shared<bool>(true);
  res.set_chunked_content_provider(
      "text/event-stream",
      [this, cursor, first](size_t, httplib::DataSink& sink) {
        std::string text;
        if (*first) {
          *first = false;
          text = "retry: 1000\nevent: hello\ndata: {}\n\n";
        } else {
          const std::optional<std::string> next =
              events.Next(cursor.get(), std::chrono::milliseconds(2000));
          if (!next) {
            sink.done();
            return true;
          }
          text = next->empty() ? ": idle\n\n" : *next;
        }
        return sink.write(text.data(), text.size());
      },
      [this](bool) { events.CloseStream(); });
}

void LookdevServer::Impl::Frame(const httplib::Request& req, httplib::Response& res) {
  const std::shared_ptr<const PreviewFrame> frame = preview.Latest();
  if (!frame) {
    SendError(res, 404, "no preview yet");
    return;
  }
  if (req.has_param("after") && frame->id <= AfterKey(req.get_param_value("after"))) {
    res.status = 204;
    return;
  }
  res.set_header("X-Frame-Id", std::to_string(frame->id));
  res.set_header("X-Frame-Version", std::to_string(frame->version));
  res.set_header("X-Frame-Pass", frame->pass);
  res.set_header("X-Frame-Samples", std::to_string(frame->samples));
  res.set_header("X-Frame-Total-Samples", std::to_string(frame->totalSamples));
  res.set_header("X-Frame-Width", std::to_string(frame->width));
  res.set_header("X-Frame-Height", std::to_string(frame->height));
  // Written from the frame itself, which the provider keeps alive.
  res.set_content_provider(frame->rgba.size(), "application/octet-stream",
                           [frame](size_t offset, size_t length, httplib::DataSink& sink) {
                             return sink.write(frame->rgba.data() + offset, length);
                           });
}

void LookdevServer::Impl::View(httplib::Response& res, std::string ViewImages::*picture) {
  const std::shared_ptr<const ViewImages> views = preview.Views();
  if (!views || ((*views).*picture).empty()) {
    SendError(res, 404, "no such view yet");
    return;
  }
  res.set_header("X-Views-Id", std::to_string(views->id));
  res.set_header("X-Views-Version", std::to_string(views->version));
  const std::string& png = (*views).*picture;
  res.set_content(png.data(), png.size(), "image/png");
}

void LookdevServer::Impl::Routes() {
  server.Get("/api/state", [this](const httplib::Request&, httplib::Response& res) {
    Guarded(res, [&] { SendJson(res, 200, studio.State()); });
  });
  server.Get("/api/views", [this](const httplib::Request&, httplib::Response& res) {
    SendJson(res, 200, ViewsJson(preview.Views().get()));
  });
  server.Get("/api/view/lobe.png", [this](const httplib::Request&, httplib::Response& res) {
    View(res, &ViewImages::lobePng);
  });
  server.Get("/api/view/frame.png", [this](const httplib::Request&, httplib::Response& res) {
    View(res, &ViewImages::framePng);
  });
  server.Get("/api/scene", [this](const httplib::Request&, httplib::Response& res) {
    Guarded(res, [&] {
      res.set_header("Content-Disposition", "attachment; filename=\"scene.json\"");
      res.set_content(studio.SceneText(), "application/json");
    });
  });
  server.Get("/api/preview", [this](const httplib::Request& req, httplib::Response& res) {
    Guarded(res, [&] { Frame(req, res); });
  });
  server.Get("/api/events", [this](const httplib::Request&, httplib::Response& res) {
    Events(res);
  });
  const auto route = [this](const char* path, std::uint64_t (*apply)(Studio&, const json&)) {
    server.Post(path, [this, apply](const httplib::Request&, httplib::Response& res,
                                    const httplib::ContentReader& body) {
      Change(body, res, apply);
    });
  };
  // Not a change: lets the refining passes start once the page has drawn
  // the quick pass's frame.
  server.Post("/api/drawn", [this](const httplib::Request&, httplib::Response& res,
                                   const httplib::ContentReader& body) {
    Guarded(res, [&] {
      preview.Drawn(FrameKey(ParseBody(ReadBody(body))));
      SendJson(res, 200, json::object());
    });
  });
  route("/api/set", [](Studio& s, const json& body) { return s.SetValue(body); });
  route("/api/wire", [](Studio& s, const json& body) { return s.Wire(body); });
  route("/api/camera", [](Studio& s, const json& body) { return s.SetCamera(body); });
  route("/api/spot", [](Studio& s, const json& body) { return s.SetSpot(body); });
  route("/api/environment", [](Studio& s, const json& body) { return s.SetEnvironment(body); });
  route("/api/undo", [](Studio& s, const json&) { return s.Undo(); });
  route("/api/redo", [](Studio& s, const json&) { return s.Redo(); });
  route("/api/open", [](Studio& s, const json& body) { return s.OpenScene(NameKey(body)); });
  route("/api/save", [](Studio& s, const json& body) {
    s.SaveScene(NameKey(body));
    return s.version();
  });
  server.Get(R"(/[A-Za-z0-9_.\-]*)", [](const httplib::Request& req, httplib::Response& res) {
    const WebAsset* asset = FindWebAsset(req.path);
    if (!asset) {
      SendError(res, 404, "not found");
      return;
    }
    res.set_content(asset->body.data(), asset->body.size(), std::string(asset->type).c_str());
  });
}

LookdevServer::LookdevServer(const ServeOptions& options)
    : impl_(std::make_unique<Impl>(options)) {
  impl_->Guard();
  impl_->Routes();
}

LookdevServer::~LookdevServer() { Stop(); }

int LookdevServer::Bind() {
  Impl& i = *impl_;
  if (i.options.bind.find(':') != std::string::npos) i.server.set_address_family(AF_INET6);
  const int port = i.options.port == 0 ? i.server.bind_to_any_port(i.options.bind)
                   : i.server.bind_to_port(i.options.bind, i.options.port) ? i.options.port
                                                                            : -1;
  if (port <= 0)
    throw std::runtime_error("cannot listen on " + i.options.bind + " port " +
                             std::to_string(i.options.port));
  i.address = {i.options.bind, port};
  i.server.WidenListenQueue();
  return port;
}

void LookdevServer::Run() { impl_->server.listen_after_bind(); }

void LookdevServer::Stop() {
  impl_->events.Close();
  impl_->server.Shutdown();
}

std::string LookdevServer::Url() const {
  const ServerAddress& a = impl_->address;
  const std::string host = a.bound.find(':') != std::string::npos ? "[" + a.bound + "]" : a.bound;
  return "http://" + host + ":" + std::to_string(a.port) + "/";
}

}  // namespace standin
