// Two people edit one document: the page's user and a colleague at another machine download the same
// stored version. The user uploads first and the server takes it; the colleague uploads next, and the
// server keeps their version as a conflict copy instead of writing over the user's. The colleague is
// told the copy's name and keeps the document open; both versions are then read back from the server.
//
//   verolin doc put report.doc --data ./data && verolin serve --data ./data &
//   verolin run examples/conflict.js -- http://127.0.0.1:8080/page report.jia

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

function contains(text, part) {
  return text.indexOf(part) >= 0;
}

var page = host.args[0] || "http://127.0.0.1:8080/page";
var name = host.args[1] || "report.jia";
var copyNamed = "服务器上的文件在您下载之后已被他人修改,您的版本没有覆盖它,已作为副本保存在服务器上:";

// Both people answer their message boxes with OK; host.asking tells whose control showed each one.
var seen = { control: [], colleague: [] };
host.onMessageBox = function (text, style, caption) {
  seen[host.asking].push(text);
  return "ok";
};

var colleague = host.colleague;
var people = [control, colleague.control];
for (var i = 0; i < people.length; i++) {
  people[i].ActiveForm = page;
  people[i].GetSetType = "1";
  people[i].ServerFilePath = name;
  people[i].DownFileFromServer();
}

// Each types a line of their own at the end of the same version.
function typeLine(word, line) {
  word.Selection.EndKey(6);  // wdStory
  word.Selection.TypeParagraph();
  word.Selection.TypeText(line);
}
var mine = "张三：同意，请按时召开。";
var theirs = "李四：建议改到周五下午。";
typeLine(host.word, mine);
typeLine(colleague.word, theirs);

// The user is first: the server takes the upload.
control.UploadFileToServer("");
expect("the user's upload", seen.control[0], "保存数据到服务器完成!");

// The colleague is second: the server keeps their version beside the document and says where.
colleague.control.UploadFileToServer("");
expect("the colleague's messages", seen.colleague.length, 2);
expect("the colleague is told of the copy", seen.colleague[0].indexOf(copyNamed), 0);
expect("the upload reported as failed", seen.colleague[1], "保存数据到服务器失败!");
var copy = seen.colleague[0].substring(copyNamed.length);
expect("the copy named after the document", copy.indexOf(name.replace(/\.[^.]*$/, "") + "-conflict-"), 0);

// The colleague loses nothing: the local document is still there and still open with their line.
var theirFile = colleague.control.LocalFile;
expect("the colleague's local document kept", colleague.file.exists(theirFile), true);
expect("the colleague's document still open",
       contains(colleague.word.ActiveDocument.Content.Text, theirs), true);

// The server's current version holds the user's line and not the colleague's ...
control.ServerFilePath = name;
control.DownFileFromServer();
var current = host.word.ActiveDocument.Content.Text;
expect("the user's line is current", contains(current, mine), true);
expect("the colleague's line is not", contains(current, theirs), false);
control.WordClose(false, true);

// ... and the conflict copy, a stored document of its own, holds the colleague's.
control.ServerFilePath = copy;
control.DownFileFromServer();
expect("the colleague's line is in the copy", contains(host.word.ActiveDocument.Content.Text, theirs), true);
control.WordClose(false, true);
expect("no other message", seen.control.length, 1);

host.print("current: " + name + " with the user's line; the colleague's version: " + copy);
