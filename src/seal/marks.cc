#include "seal/marks.h"

#include "text/utf8.h"

namespace verolin::seal {

using automation::Variant;

namespace {
constexpr std::int32_t kWhite = 0xFFFFFF;  // RGB(255, 255, 255)
constexpr int kWrapFront = 3;
}  // namespace

std::vector<std::string> SplitList(std::string_view list, std::string_view splitStr) {
  if (splitStr.empty()) return {std::string(list)};
  return text::split(list, splitStr);
}

void AppendItem(std::string& list, std::string_view item, std::string_view splitStr) {
  list.append(item);
  list.append(splitStr);
}

const std::string& ItemAt(const std::vector<std::string>& items, std::size_t index) {
  static const std::string empty;
  return index < items.size() ? items[index] : empty;
}

SplitGroup SplitMarkGroup(const std::string& ids, const std::string& names, const std::string& times,
                          std::string_view splitStr) {
  return {SplitList(ids, splitStr), SplitList(names, splitStr), SplitList(times, splitStr)};
}

std::string MarkTimeText(control::Control& c) {
  auto& host = c.host();
  std::string t;
  t += std::to_string(host.now().year) + "年";
  t += std::to_string(host.now().month) + "月";
  t += std::to_string(host.now().day) + "日";
  t += std::to_string(host.now().hour) + "时";
  t += std::to_string(host.now().minute) + "分";
  t += std::to_string(host.now().second) + "秒";
  return t;
}

std::string MarkIdOf(std::string_view shapeName) {
  const auto parts = text::split(shapeName, " ");
  return parts.size() > 1 ? parts[1] : std::string();
}

void ApplyMarkPictureFormat(const Variant& shape) {
  Variant format = shape.get("PictureFormat");
  format.put("TransparentBackground", true);
  format.put("TransparencyColor", kWhite);
  shape.get("Fill").put("Visible", false);
}

void PlaceMarkInFront(const Variant& wordApp, const std::string& shapeName) {
  wordApp.get("ActiveDocument").get("Shapes", shapeName).call("Select");
  Variant wrap = wordApp.get("Selection").get("ShapeRange").get("WrapFormat");
  wrap.put("AllowOverlap", true);
  wrap.put("Type", kWrapFront);
}

MarkLists ListsOf(control::ControlState& s, MarkKind kind) {
  if (kind == MarkKind::Seal) {
    return {&s.sealIdList,    &s.sealNameList,    &s.sealTimeList,
            &s.newSealIdList, &s.newSealNameList, &s.newSealTimeList};
  }
  return {&s.signIdList,    &s.signNameList,    &s.signTimeList,
          &s.newSignIdList, &s.newSignNameList, &s.newSignTimeList};
}

std::vector<ValidMark> FindValidMarks(const Variant& wordApp, const SplitGroup& group, bool examineLast) {
  std::vector<ValidMark> found;
  Variant shapes = wordApp.get("ActiveDocument").get("Shapes");
  const int n = shapes.get("Count").toInt32();
  const std::size_t last = examineLast ? group.ids.size() : group.ids.size() - 1;
  for (int i = 1; i <= n; ++i) {
    const std::string name = shapes.get("Item", i).get("Name").toString();
    for (std::size_t c = 0; c < last; ++c) {
      if (name == std::string(kMarkNamePrefix) + group.ids[c]) found.push_back({i, c});
    }
  }
  return found;
}

}  // namespace verolin::seal
