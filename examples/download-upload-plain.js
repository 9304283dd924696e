// The road of a document in plain-URL mode: the control fetches the document from its own address on
// the server, and uploads it into a folder of the server page. The page then fetches it from its new
// address to see the user's text there.
//
//   verolin doc put report.doc --data ./data && verolin serve --data ./data &
//   verolin run examples/download-upload-plain.js -- http://127.0.0.1:8080/page report.jia

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

var page = host.args[0] || "http://127.0.0.1:8080/page";
var name = host.args[1] || "report.jia";
var site = page.match(/^https?:\/\/[^\/]+/)[0];  // where the server keeps its files
var messages = [];
host.onMessageBox = function (text, style, caption) {
  messages.push(text);
  return "ok";
};

// The mode, the page and the document's own address, given to the method instead of the properties.
control.DownFileFromServer("0", page, site + "/files/" + name);
expect("no complaint", messages.length, 0);
expect("mode kept", control.GetSetType, "0");

var line = "审核意见：同意印发。" + host.clock();
host.word.Selection.EndKey(6);  // wdStory
host.word.Selection.TypeParagraph();
host.word.Selection.TypeText(line);

// In plain-URL mode the upload goes into the folder named by its first argument.
control.UploadFileToServer("archive/2006");
expect("upload reported", messages[0], "保存数据到服务器完成!");

control.DownFileFromServer("0", page, site + "/files/archive/2006/" + name);
expect("user's line in the archived copy", host.word.ActiveDocument.Content.Text.indexOf(line) >= 0, true);
control.WordClose(false, true);
host.print("archived as archive/2006/" + name);
