// The seal owner list and a seal picture, read as the seal window reads them.
#include "conformance/session.h"
#include "crypto/crypto.h"
#include "platform/picture_info.h"
#include "seal/marks.h"
#include "text/codepage.h"
#include "transfer/exchange.h"
#include "transfer/list_answer.h"
#include "transfer/local_names.h"
#include "transfer/protocol.h"

namespace verolin::conformance {
namespace {

struct Owners {
  std::vector<std::string> names, passwords, pictures;
};

// The seal window's reading of the owner list: three groups split at the split separator, the last
// element of each (empty for a well-formed list) no owner.
Owners ownersOf(const transfer::ListAnswer& answer) {
  Owners o;
  o.names = Items(seal::ItemAt(answer.groups, 0), answer.splitStr);
  o.passwords = Items(seal::ItemAt(answer.groups, 1), answer.splitStr);
  o.pictures = Items(seal::ItemAt(answer.groups, 2), answer.splitStr);
  return o;
}

bool printableAscii(const std::string& text) {
  for (const char ch : text) {
    if (ch < 0x20 || ch > 0x7E) return false;
  }
  return !text.empty();
}

const char* kPictureKinds[] = {"png", "jpeg", "bmp", "gif"};

}  // namespace

void CheckSeals(Session& s) {
  std::optional<transfer::ListAnswer> list;
  Owners owners;
  const std::string& listType = s.options.sealListType;

  s.check(
      "seals.owner-list", "the seal owner list (RequestType=" + listType + ") has groups of equal length",
      [&](CheckResult& c) {
        const Answer a = s.get(transfer::SealOwnerListUrl(s.page.state(), listType));
        // GetServerText: anything but a 2xx answer is an empty text.
        list = transfer::ParseListAnswer(a.succeeded ? text::fromWire(a.body) : std::string());
        if (!list) {
          return Skip(c, "the page lists no seal owners (" + StatusText(a) +
                             "); the owner list and the seal picture need one");
        }
        if (list->groups.size() != 3) {
          return Fail(c,
                      "the link separator, the split separator, then three groups (names, encoded passwords, "
                      "picture files) joined by the link separator",
                      std::to_string(list->groups.size()) + " group(s) when characters 1 and 2, \"" +
                          list->linkStr + "\" and \"" + list->splitStr +
                          "\", are read as the separators: " + a.record.preview,
                      a);
        }
        owners = ownersOf(*list);
        if (owners.names.empty()) return Skip(c, "the owner list holds no owner: " + a.record.preview);
        for (const auto& group : list->groups) {
          if (group.size() < list->splitStr.size() ||
              group.compare(group.size() - list->splitStr.size(), list->splitStr.size(), list->splitStr) !=
                  0) {
            return Fail(c, "every item followed by the split separator \"" + list->splitStr + "\"",
                        "\"" + group + "\" (the control leaves out its last item)", a);
          }
        }
        if (owners.passwords.size() != owners.names.size() || owners.pictures.size() != owners.names.size()) {
          return Fail(c, "as many encoded passwords and picture files as owners",
                      std::to_string(owners.names.size()) + " owners, " +
                          std::to_string(owners.passwords.size()) + " passwords, " +
                          std::to_string(owners.pictures.size()) + " picture files",
                      a);
        }
        for (std::size_t k = 0; k < owners.names.size(); ++k) {
          const std::string who = "owner \"" + owners.names[k] + "\": ";
          if (owners.names[k].empty() || owners.names[k].find('&') != std::string::npos)
            return Fail(c, "owner names that are not empty and hold no \"&\" (sent unescaped)", who, a);
          if (!printableAscii(owners.passwords[k])) {
            return Fail(c, "encoded passwords of printable ASCII (all that the control's encoding gives)",
                        who + "\"" + owners.passwords[k] + "\"", a);
          }
          const std::string& picture = owners.pictures[k];
          if (!transfer::IsPlainFileName(picture) || picture.find('.') == std::string::npos ||
              picture.find_first_of("&=") != std::string::npos) {
            return Fail(c,
                        "picture files the control can save: a plain file name with an extension, no & or =",
                        who + "\"" + picture + "\"", a);
          }
        }
        Pass(c, std::to_string(owners.names.size()) + " owner(s), separators \"" + list->linkStr + "\" \"" +
                    list->splitStr + "\"");
      });

  s.check("seals.picture",
          "a seal picture (RequestType=" + s.options.sealPictureType +
              ") is a container that decrypts with the owner's seal password to a picture",
          [&](CheckResult& c) {
            if (!s.passed("seals.owner-list"))
              return Skip(c, "needs the seal owner list, which did not pass");
            std::size_t k = 0;
            const bool withPassword = !s.options.owner.empty();
            if (withPassword) {
              while (k < owners.names.size() && owners.names[k] != s.options.owner) ++k;
              if (k == owners.names.size())
                return Fail(c, "the owner \"" + s.options.owner + "\" in the owner list",
                            "owners " + Joined(owners.names, list->splitStr));
              const std::string encoded = crypto::encodeSealPassword(s.options.ownerPassword);
              if (encoded != owners.passwords[k]) {
                return Fail(c, "the encoded form of the password given (" + encoded + ")",
                            "\"" + owners.passwords[k] + "\": the control would refuse the password");
              }
            }
            auto& st = s.page.state();
            st.linkStr = list->linkStr;
            st.splitStr = list->splitStr;
            const Answer a = s.get(
                transfer::SealPictureUrl(st, s.options.sealPictureType, owners.names[k], owners.pictures[k]));
            UseSeparators(s, true);
            const std::string expected = "the seal picture of \"" + owners.names[k] + "\" as a container";
            if (!a.succeeded) return Fail(c, expected, StatusText(a), a);
            if (!crypto::isContainer(a.body) || a.body.size() <= 20)
              return Fail(c, expected, "no container: " + a.record.preview, a);
            if (!withPassword) {
              return Pass(
                  c, "a container of " + std::to_string(a.body.size()) + " bytes for \"" + owners.names[k] +
                         "\" (not decrypted: give --owner and --owner-password to check the picture)");
            }
            crypto::PlainBytes plain;
            try {
              plain = crypto::decryptBytes(a.body, s.options.ownerPassword);
            } catch (const crypto::CipherError& e) {
              return Fail(c, expected + " of the owner's seal password", e.what(), a);
            }
            const auto info =
                platform::ReadPictureInfo(automation::Bytes(plain.bytes.begin(), plain.bytes.end()));
            if (!info) {
              return Fail(c, "a PNG, JPEG, BMP or GIF picture inside",
                          std::to_string(plain.bytes.size()) + " bytes with the extension \"" +
                              plain.extension + "\"",
                          a);
            }
            Pass(c, std::string(kPictureKinds[static_cast<int>(info->kind)]) + " picture of " +
                        std::to_string(info->pixelWidth) + "x" + std::to_string(info->pixelHeight) +
                        " pixels, stored as ." + plain.extension);
          });
}

}  // namespace verolin::conformance
