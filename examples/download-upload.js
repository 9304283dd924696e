// The whole road of a document in request mode: the page points the control at its server page,
// downloads a stored document, the user types into it, and the control uploads it again. Then the
// page downloads it once more to see that the server kept the user's text.
//
//   verolin doc put report.doc --data ./data && verolin serve --data ./data &
//   verolin run examples/download-upload.js -- http://127.0.0.1:8080/page report.jia

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

var page = host.args[0] || "http://127.0.0.1:8080/page";
var name = host.args[1] || "report.jia";
var messages = [];
host.onMessageBox = function (text, style, caption) {
  messages.push(text);
  return "ok";
};

control.ActiveForm = page;
control.GetSetType = "1";
control.ServerFilePath = name;
control.DownFileFromServer();
expect("downloaded into the working folder", control.LocalFile.indexOf("c:\\temp\\"), 0);
expect("no complaint", messages.length, 0);

// The user adds a line at the end of the document.
var line = "已阅，同意。张三 " + host.clock();
host.word.Selection.EndKey(6);  // wdStory
host.word.Selection.TypeParagraph();
host.word.Selection.TypeText(line);

control.UploadFileToServer("");
expect("upload reported", messages[0], "保存数据到服务器完成!");
expect("editing ended", control.LocalFile, "");
expect("word processor quit", host.word, null);

// Fetch the stored document again: it holds the user's line.
control.DownFileFromServer();
expect("user's line on the server", host.word.ActiveDocument.Content.Text.indexOf(line) >= 0, true);
control.WordClose(false, true);
host.print("uploaded and read back: " + line);
