// Creating a new document: the control starts the word processor with an empty document, saves it
// as a working copy named after the local time, and the user writes the text.
//
//   verolin run examples/new-document.js

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

// 5 March 2006, 09:07:02: the working copy is named year, month, day, hour, second, minute.
host.clock("2006-03-05 09:07:02");
control.AddNewDocument("", "李四", "LS");
expect("working copy", control.LocalFile, "c:\\temp\\200635927.doc");

var selection = host.word.Selection;
selection.TypeText("会议纪要");
selection.TypeParagraph();
selection.TypeText("一、年度工作总结。");
host.word.ActiveDocument.Save();
host.print("document text: " + host.word.ActiveDocument.Content.Text.replace(/\r/g, " / "));

// Closing the page quits the word processor and deletes the working copy.
var localFile = control.LocalFile;
control.WordClose(false, true);
expect("working copy deleted", host.file.exists(localFile), false);
