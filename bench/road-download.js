// The control's share of the document road: the download of a stored document, decrypted into the
// working folder. Run with --no-word, so that the word processor's part is left out (opening then
// fails as on a machine without one, which the page is told in a message box).
//
//   verolin run --no-word --root ROOT bench/road-download.js -- http://127.0.0.1:PORT/page NAME.jia

var page = host.args[0];
var name = host.args[1];
host.onMessageBox = function (text) {
  return "ok";
};
control.ActiveForm = page;
control.GetSetType = "1";
control.ServerFilePath = name;
control.DownFileFromServer();
if (control.LocalFile.indexOf("c:\\temp\\") !== 0) throw new Error("not downloaded: " + name);
