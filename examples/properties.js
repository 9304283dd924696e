// The control as a page first meets it: its four properties, and the guards that refuse work while
// nothing is set up. Every refusal is a message box, which the user (this script) answers with OK.
//
//   verolin run examples/properties.js

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

var messages = [];
host.onMessageBox = function (text, style, caption) {
  messages.push(text);
  return "ok";
};

// A fresh control: request mode, nothing else set, and its working folder exists.
expect("GetSetType", control.GetSetType, "1");
expect("ActiveForm", control.ActiveForm, "");
expect("ServerFilePath", control.ServerFilePath, "");
expect("LocalFile", control.LocalFile, "");
expect("working folder", host.file.exists("c:\\temp\\"), true);

// Properties read back what was written; member names match whatever their case.
control.ActiveForm = "http://127.0.0.1:8080/page";
control.serverfilepath = "docs/report.jia";
expect("ActiveForm", control.activeForm, "http://127.0.0.1:8080/page");
expect("ServerFilePath", control.ServerFilePath, "docs/report.jia");

// A transfer mode other than "1" or "0" is refused before anything is fetched.
control.DownFileFromServer("2");
expect("refusal", messages[0], "错误的传输方式.");

// Without a server page there is nothing to download from.
control.ActiveForm = "";
control.DownFileFromServer();
expect("refusal", messages[2], "找不到发送数据的接口.");

// Nothing is open, so there is nothing to upload.
control.UploadFileToServer("");
expect("refusal", messages[4], "请先打开一篇文档或打开一篇文档.");

host.print("properties and guards: " + messages.length + " messages, as expected");
