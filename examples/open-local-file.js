// Opening a document that is already on the user's disk: the page names the file, the control starts
// the word processor inside itself, and the user types into the document and saves it.
//
//   verolin run examples/open-local-file.js

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

// What the user had on the disk before the page opened.
host.file.write("c:\\docs\\notice.doc", "关于召开年度工作会议的通知\r\n定于下周一上午九时召开年度工作会议。\r\n");

control.OpenWord("c:\\docs\\notice.doc", "张三", "ZS");
var word = host.word;
expect("word processor running", word !== null, true);
expect("the user name the page passed", word.UserName, "张三");

var doc = word.ActiveDocument;
host.print("opened " + doc.FullName + ", local file " + control.LocalFile);

// The user goes to the end of the document and adds a line.
word.Selection.EndKey(6);  // wdStory
word.Selection.TypeText("请各部门准时参加。");
doc.Save();
expect("typed text in the document", doc.Content.Text.indexOf("请各部门准时参加。") >= 0, true);

// The page closes the word processor without saving again and without deleting the file.
control.WordClose(false, false);
expect("word processor gone", host.word, null);
expect("file kept", host.file.exists(control.LocalFile), true);
host.print("saved: " + host.file.read(control.LocalFile).length + " bytes");
