#include "script/host_api.h"

#include <ostream>

#include "automation/date.h"
#include "automation/error.h"
#include "platform/cookies.h"
#include "platform/files.h"
#include "script/handlers.h"
#include "script/native.h"
#include "script/session.h"
#include "script/values.h"

namespace verolin::script {
namespace {

using automation::AutomationError;
using automation::Bytes;

std::string pathArg(duk_context* ctx, const char* function) {
  if (!duk_is_string(ctx, 0)) {
    throw AutomationError(automation::err::kTypeMismatch,
                          std::string(function) + ": the path is a string such as \"c:\\\\temp\\\\a.doc\"");
  }
  return readString(ctx, 0);
}

// The text of a string argument, or the bytes of a Uint8Array.
Bytes contentArg(duk_context* ctx, duk_idx_t idx, const char* function) {
  if (duk_is_string(ctx, idx)) {
    const std::string text = readString(ctx, idx);
    return Bytes(text.begin(), text.end());
  }
  if (duk_is_buffer_data(ctx, idx)) {
    duk_size_t n = 0;
    const auto* p = static_cast<const std::uint8_t*>(duk_get_buffer_data(ctx, idx, &n));
    return p ? Bytes(p, p + n) : Bytes();
  }
  throw AutomationError(automation::err::kTypeMismatch,
                        std::string(function) + ": give a string or a Uint8Array");
}

// The functions of host.word, host.file and host.clipboard serve the page's own user; those under
// host.colleague carry this magic and serve the colleague.
constexpr int kColleagueMagic = 1;

Machine& person(duk_context* ctx) {
  World& world = sessionOf(ctx).world;
  return duk_get_current_magic(ctx) == kColleagueMagic ? world.colleague() : world.own();
}

platform::FileSystem& files(duk_context* ctx) {
  return person(ctx).files();
}

// Creates the folders above `path` that are missing, as a person preparing files would.
void makeFolders(platform::FileSystem& fs, const std::string& path) {
  const std::string folder = platform::folderOf(path);
  std::vector<std::string> missing;
  for (std::string f = folder; f.size() > 3 && !fs.dirExists(f);) {
    missing.push_back(f);
    std::string trimmed = f.substr(0, f.size() - 1);  // without its trailing backslash
    const std::string up = platform::folderOf(trimmed);
    if (up == f || up.empty()) break;
    f = up;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) fs.createDir(*it);
}

int fileWrite(duk_context* ctx) {
  const std::string path = pathArg(ctx, "host.file.write");
  const Bytes content = contentArg(ctx, 1, "host.file.write");
  makeFolders(files(ctx), path);
  files(ctx).write(path, content);
  return 0;
}

int fileRead(duk_context* ctx) {
  const Bytes bytes = files(ctx).read(pathArg(ctx, "host.file.read"));
  duk_push_lstring(ctx, reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return 1;
}

int fileExists(duk_context* ctx) {
  const std::string path = pathArg(ctx, "host.file.exists");
  duk_push_boolean(ctx, files(ctx).fileExists(path) || files(ctx).dirExists(path));
  return 1;
}

int fileRemove(duk_context* ctx) {
  files(ctx).remove(pathArg(ctx, "host.file.remove"));
  return 0;
}

int ref(duk_context* ctx) {
  pushRefBox(ctx, 0);
  return 1;
}

int word(duk_context* ctx) {
  const automation::Variant app = person(ctx).word();
  if (app.isObject()) {
    pushVariant(ctx, app);
  } else {
    duk_push_null(ctx);
  }
  return 1;
}

int clock(duk_context* ctx) {
  World& world = sessionOf(ctx).world;
  if (!duk_is_undefined(ctx, 0)) {
    if (!duk_is_string(ctx, 0)) {
      throw AutomationError(automation::err::kTypeMismatch, "host.clock: give \"YYYY-MM-DD hh:mm:ss\"");
    }
    world.setClock(automation::parseIso(readString(ctx, 0)));
  }
  pushString(ctx, automation::formatIso(world.now()));
  return 1;
}

int sleep(duk_context* ctx) {
  if (!duk_is_number(ctx, 0))
    throw AutomationError(automation::err::kTypeMismatch, "host.sleep: give milliseconds");
  sessionOf(ctx).world.sleep(duk_get_int(ctx, 0));
  return 0;
}

int setPicture(duk_context* ctx) {
  Bytes picture = duk_is_string(ctx, 0) ? files(ctx).read(readString(ctx, 0))
                                        : contentArg(ctx, 0, "host.clipboard.setPicture");
  person(ctx).clipboard().setPicture(std::move(picture));
  return 0;
}

int print(duk_context* ctx) {
  const duk_idx_t n = duk_get_top(ctx);
  std::string line;
  for (duk_idx_t i = 0; i < n; ++i) {
    if (i > 0) line += ' ';
    if (!duk_is_string(ctx, i)) duk_safe_to_string(ctx, i);
    line += readString(ctx, i);
  }
  std::ostream& out = sessionOf(ctx).out;
  out << line << '\n';
  out.flush();
  return 0;
}

int asking(duk_context* ctx) {
  const Stage* stage = sessionOf(ctx).stage;
  pushString(ctx, stage ? stage->acting : kControlName);
  return 1;
}

// host.cookies: the browser's jar. set("NAME", "VALUE"[, site]) or set("NAME=VALUE"[, site]) as
// `verolin session mint` prints it; without a site the cookie goes to every site.
std::string optionalSite(duk_context* ctx, duk_idx_t idx, const char* function) {
  if (duk_is_undefined(ctx, idx)) return {};
  if (!duk_is_string(ctx, idx)) {
    throw AutomationError(automation::err::kTypeMismatch,
                          std::string(function) + ": the site is a host name such as \"127.0.0.1\"");
  }
  const std::string site = readString(ctx, idx);
  // A URL names its host.
  return site.find("://") == std::string::npos ? site : platform::hostOf(site);
}

int cookieSet(duk_context* ctx) {
  if (!duk_is_string(ctx, 0)) {
    throw AutomationError(automation::err::kTypeMismatch, "host.cookies.set: give a name and a value");
  }
  std::string name = readString(ctx, 0);
  std::string value;
  duk_idx_t siteArg = 2;
  if (duk_is_string(ctx, 1)) {
    value = readString(ctx, 1);
  } else if (const auto equals = name.find('='); equals != std::string::npos && duk_is_undefined(ctx, 1)) {
    value = name.substr(equals + 1);
    name.resize(equals);
    siteArg = 1;
  } else {
    throw AutomationError(automation::err::kTypeMismatch, "host.cookies.set: give a name and a value");
  }
  const std::string site = optionalSite(ctx, siteArg, "host.cookies.set");
  try {
    sessionOf(ctx).world.setCookie(name, value, site);
  } catch (const std::invalid_argument& e) {
    throw AutomationError(automation::err::kInvalidCall, std::string("host.cookies.set: ") + e.what());
  }
  return 0;
}

int cookieRemove(duk_context* ctx) {
  if (!duk_is_string(ctx, 0))
    throw AutomationError(automation::err::kTypeMismatch, "host.cookies.remove: give a name");
  duk_push_boolean(ctx, sessionOf(ctx).world.removeCookie(readString(ctx, 0),
                                                          optionalSite(ctx, 1, "host.cookies.remove")));
  return 1;
}

int cookieClear(duk_context* ctx) {
  sessionOf(ctx).world.clearCookies();
  return 0;
}

struct Function {
  const char* name;
  duk_c_function fn;
  duk_idx_t nargs;
};

void putFunctions(duk_context* ctx, std::initializer_list<Function> functions, int magic = 0) {
  for (const auto& f : functions) {
    duk_push_c_function(ctx, f.fn, f.nargs);
    duk_set_magic(ctx, -1, magic);
    duk_put_prop_string(ctx, -2, f.name);
  }
}

void putGetter(duk_context* ctx, duk_idx_t object, const char* name, duk_c_function fn, int magic = 0) {
  object = duk_normalize_index(ctx, object);
  pushString(ctx, name);
  duk_push_c_function(ctx, fn, 0);
  duk_set_magic(ctx, -1, magic);
  duk_def_prop(ctx, object, DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_ENUMERABLE);
}

// What belongs to one person's machine: their word processor, files and clipboard.
void putMachine(duk_context* ctx, duk_idx_t object, int magic) {
  object = duk_normalize_index(ctx, object);
  putGetter(ctx, object, "word", native<word>, magic);

  duk_push_object(ctx);
  putFunctions(ctx,
               {{"write", native<fileWrite>, 2},
                {"read", native<fileRead>, 1},
                {"exists", native<fileExists>, 1},
                {"remove", native<fileRemove>, 1}},
               magic);
  duk_put_prop_string(ctx, object, "file");

  duk_push_object(ctx);
  putFunctions(ctx, {{"setPicture", native<setPicture>, 1}}, magic);
  duk_put_prop_string(ctx, object, "clipboard");
}

// In the heap stash: the colleague's object, made when the script first asks for it.
constexpr const char* kColleagueStashKey = "colleague";

int colleague(duk_context* ctx) {
  World& world = sessionOf(ctx).world;
  duk_push_heap_stash(ctx);
  if (duk_get_prop_string(ctx, -1, kColleagueStashKey)) return 1;
  duk_pop(ctx);
  automation::ObjectRef control = world.colleagueControl();
  world.colleague();
  duk_push_object(ctx);
  pushObject(ctx, std::move(control));
  duk_put_prop_string(ctx, -2, "control");
  putMachine(ctx, -1, kColleagueMagic);
  duk_dup_top(ctx);
  duk_put_prop_string(ctx, -3, kColleagueStashKey);
  return 1;
}

}  // namespace

void installHost(duk_context* ctx, const std::vector<std::string>& args) {
  installValues(ctx);
  duk_push_object(ctx);
  const duk_idx_t host = duk_get_top_index(ctx);
  duk_push_heap_stash(ctx);
  duk_dup(ctx, host);
  duk_put_prop_string(ctx, -2, kHostStashKey);
  duk_pop(ctx);

  putFunctions(ctx, {{"ref", native<ref>, 1},
                     {"clock", native<clock>, 1},
                     {"sleep", native<sleep>, 1},
                     {"print", native<print>, DUK_VARARGS}});
  installHandlers(ctx, host);
  putMachine(ctx, host, 0);
  duk_push_object(ctx);
  putFunctions(ctx, {{"set", native<cookieSet>, 3},
                     {"remove", native<cookieRemove>, 2},
                     {"clear", native<cookieClear>, 0}});
  duk_put_prop_string(ctx, host, "cookies");
  putGetter(ctx, host, "asking", native<asking>);
  putGetter(ctx, host, "colleague", native<colleague>);

  duk_push_array(ctx);
  for (std::size_t i = 0; i < args.size(); ++i) {
    pushString(ctx, args[i]);
    duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i));
  }
  duk_put_prop_string(ctx, host, "args");

  duk_put_global_string(ctx, "host");
}

void installControl(duk_context* ctx, automation::ObjectRef control) {
  pushObject(ctx, std::move(control));
  duk_put_global_string(ctx, "control");
}

}  // namespace verolin::script
