// A handwritten signature: the user writes a short approval in a new document and draws a signature
// with the mouse in the handwriting window; the control places it in the document and records it under
// the user's name. The page lists it, frames all marks and takes the frames away, uploads the document
// with the new signature, and downloads it again to see that the server kept it and its record.
//
//   verolin serve --data ./data &
//   verolin run examples/signature.js -- http://127.0.0.1:8080/page signed.jia

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

var page = host.args[0] || "http://127.0.0.1:8080/page";
var name = host.args[1] || "signed.jia";
var user = "王五";
var messages = [];
host.onMessageBox = function (text, style, caption) {
  messages.push(text);
  return "ok";
};

control.AddNewDocument("", user, "WW");
var doc = host.word.ActiveDocument;
host.word.Selection.TypeText("同意。");

// The user: ticks "用鼠标签名", asks for a pen 2 wide, writes a few strokes and confirms.
host.onInputBox = function (prompt, title, def) {
  expect("width question", prompt, "请输入签名笔的宽度:");
  return "2";
};
var listed = [];
host.onForm = function (form) {
  if (form.name === "FrmShowElectronSealInfo") {  // the list of valid marks
    listed = form.items("lisMsg");
    form.click("cmdok");
    return;
  }
  expect("handwriting window", form.caption, "手写板签名");
  form.click("Csign1");
  expect("pen width", form.get("picgetimage", "DrawWidth"), 2);
  // Three strokes in the box's twips: a zig-zag, a bar and a hook.
  var strokes = [
    [[600, 1800], [900, 900], [1200, 1800], [1500, 900], [1800, 1800]],
    [[2100, 1350], [3000, 1350]],
    [[3300, 900], [3600, 1800], [4200, 1500], [4800, 1200]]
  ];
  for (var s = 0; s < strokes.length; s++) {
    var p = strokes[s];
    form.mouse("picgetimage", "down", 1, 0, p[0][0], p[0][1]);
    for (var i = 1; i < p.length; i++) form.mouse("picgetimage", "move", 1, 0, p[i][0], p[i][1]);
    form.mouse("picgetimage", "up", 1, 0, p[p.length - 1][0], p[p.length - 1][1]);
  }
  var inked = form.get("picgetimage", "InkedPixels");
  if (!(inked > 100)) throw new Error("the strokes left " + inked + " inked pixels");
  host.file.write("c:\\temp\\signature.png", form.get("picgetimage", "Image"));
  form.click("cmdok");
  expect("window closed by 确 定", form.isOpen(), false);
};
control.HandWrite();
expect("no complaint", messages.length, 0);
expect("the signature is a floating picture", doc.Shapes.Count, 1);
var mark = doc.Shapes(1);
var markName = mark.Name;
expect("signature floats in front", mark.WrapFormat.Type, 3);
expect("white is transparent", mark.PictureFormat.TransparencyColor, 16777215);

// The list of valid signatures names the user.
expect("valid signatures", control.CheckSign(), 1);
expect("listed under the user", listed[0].indexOf("1. 签名人姓名:" + user + "  签名日期:"), 0);

// Frame all marks: the signature gets a red frame and its placer as screen tip; then unframe them.
expect("signatures framed", control.ShowSignInfo(true, false), 1);
expect("red frame", mark.Line.ForeColor.RGB, 255);
expect("screen tip", mark.Hyperlink.ScreenTip.indexOf("盖章人的姓名:" + user + "盖章日期:"), 0);
expect("no seals to frame", control.ShowElectronSealInfo(true, false), 0);
expect("no seals said", messages.pop(), "没有有效的盖章！");
expect("signatures unframed", control.ShowSignInfo(false), 1);
expect("frame gone", mark.Line.Visible, 0);
expect("screen tip gone", mark.Hyperlink, null);

// The upload carries the new signature (Sn, St, Si); a fresh download lists it again.
control.UploadFileToServer("", "1", page, name);
expect("upload reported", messages.pop(), "保存数据到服务器完成!");
control.DownFileFromServer("1", page, name, user, "WW");
expect("the signature came back", host.word.ActiveDocument.Shapes(1).Name, markName);
listed = [];
expect("still one valid signature", control.CheckSign(), 1);
expect("listed after download", listed[0].indexOf("1. 签名人姓名:" + user), 0);
control.WordClose(false, true);
host.print("signed by " + user + ": " + listed[0]);
