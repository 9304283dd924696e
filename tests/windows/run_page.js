// A page against the runner's test control: every kind of window answered by the handlers, the word
// processor started by its ProgID and typed into, a failing member, and a handler's own error.
function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

var boxes = [];
host.onMessageBox = function (text, style, caption) {
  boxes.push(caption + "|" + style + "|" + text);
  return "cancel";
};
expect("the handler's button", control.Greet("你好"), 2);
expect("what the handler saw", boxes[0], "信息|65|你好");
host.onMessageBox = null;
expect("the first button without a handler", control.Greet("再见"), 1);

host.onInputBox = function (prompt, title, def) {
  return prompt === "姓名" && title === "签名" ? "王五" : "?";
};
expect("typed into the input box", control.AskName("姓名"), "王五");
host.onInputBox = null;
expect("cancelled without a handler", control.AskName("姓名"), "");

var forms = [];
host.onForm = function (form) {
  forms.push(form.name + " " + form.caption);
  form.close();
};
expect("form closed", control.ShowForm(), "closed");
expect("form seen", forms.join(), "FrmProbe 探针");

expect("word processor started", control.OpenWord(), "11.0");
host.word.Selection.TypeText("会议纪要");
expect("typed", host.word.ActiveDocument.Content.Text.indexOf("会议纪要"), 0);
control.QuitWord();
expect("word processor quit", host.word, null);

try {
  control.Fail();
  throw new Error("no failure");
} catch (e) {
  expect("failure number", e.number, 5);
}

host.onMessageBox = function () {
  throw new Error("the user walked away");
};
try {
  control.Greet("还在吗");
  throw new Error("the handler's error was lost");
} catch (e) {
  expect("the handler's error at the call", e.message, "the user walked away");
}
host.onMessageBox = null;

host.clock("2006-03-05 09:07:02");
expect("the run's clock", host.clock().substring(0, 16), "2006-03-05 09:07");
host.file.write("c:\\temp\\runner\\a.txt", "文字");
expect("files on the drives", host.file.read("c:\\temp\\runner\\a.txt"), "文字");
host.file.remove("c:\\temp\\runner\\a.txt");
expect("removed", host.file.exists("c:\\temp\\runner\\a.txt"), false);
// A picture on the system's clipboard, as a tablet's software leaves a signature there.
host.clipboard.setPicture(new Uint8Array([0x42, 0x4D, 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0, 0, 0, 1, 0, 0, 0,
                                          1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                          0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0]));

// The colleague at a machine of their own: their own control, files and word processor, and their boxes
// answered by the same handlers, which host.asking tells whose they are.
var colleague = host.colleague;
expect("the colleague met once", host.colleague === colleague, true);
expect("a control of their own", colleague.control === control, false);
var asked = [];
host.onMessageBox = function (text) {
  asked.push(host.asking + " " + text);
  return "ok";
};
colleague.control.UploadFileToServer("");
expect("whose box", asked[0], "colleague 请先打开一篇文档或打开一篇文档.");
expect("the page's control again", host.asking, "control");
host.onMessageBox = null;
host.file.write("c:\\temp\\runner\\mine.txt", "我的");
colleague.file.write("c:\\temp\\runner\\theirs.txt", "他的");
expect("the user's file not on their machine", colleague.file.exists("c:\\temp\\runner\\mine.txt"), false);
expect("their file not on the user's", host.file.exists("c:\\temp\\runner\\theirs.txt"), false);
expect("their own file", colleague.file.read("c:\\temp\\runner\\theirs.txt"), "他的");
host.file.remove("c:\\temp\\runner\\mine.txt");
colleague.control.AddNewDocument();
expect("their word processor started", colleague.word !== null, true);
expect("not on the user's machine", host.word, null);
host.print("page ran: " + host.args.join(" "));
