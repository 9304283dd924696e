// The whole document road with the word processor: download and open a stored document, type one
// line at its end, upload it (the control saves, encrypts and posts it).
//
//   verolin run --root ROOT bench/road-edit.js -- http://127.0.0.1:PORT/page NAME.jia

var page = host.args[0];
var name = host.args[1];
var messages = [];
host.onMessageBox = function (text) {
  messages.push(text);
  return "ok";
};
control.ActiveForm = page;
control.GetSetType = "1";
control.ServerFilePath = name;
control.DownFileFromServer();
if (messages.length !== 0) throw new Error("download: " + messages.join(" / "));
host.word.Selection.EndKey(6);  // wdStory
host.word.Selection.TypeParagraph();
host.word.Selection.TypeText("已阅，同意。");
control.UploadFileToServer("");
if (messages[0] !== "保存数据到服务器完成!") throw new Error("upload: " + messages.join(" / "));
