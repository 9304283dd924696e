// An electronic seal from the server's seal owners: the page downloads a document and opens the seal
// window; the user picks an owner, a wrong password is refused, the right one loads the owner's seal,
// which is placed in front of the text. The check lists it, the upload carries it to the server, and
// after a fresh download the check lists it again with its owner and time.
//
// The document must be one the word processor saves with its pictures (its own format, not plain
// text), or the seal would not survive the upload.
//
//   verolin doc put notice.doc --data ./data
//   verolin owner add 张三 --picture zhang.png --password zs123 --data ./data
//   verolin serve --data ./data &
//   verolin run examples/seal.js -- http://127.0.0.1:8080/page notice.jia 张三 zs123

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

var page = host.args[0] || "http://127.0.0.1:8080/page";
var name = host.args[1] || "notice.jia";
var owner = host.args[2] || "张三";
var password = host.args[3] || "zs123";

var messages = [];
host.onMessageBox = function (text, style, caption) {
  messages.push(text);
  return "ok";
};

// The user at the two windows: the seal window picks, types, loads and places; the list is read.
var seen = {};
host.onForm = function (form) {
  if (form.name === "FrmMySign") {
    seen.owners = form.items("comUserList");
    form.set("comUserList", "ListIndex", seen.owners.indexOf(owner));
    expect("password box masks", form.get("txtPassword", "PasswordChar"), "*");
    form.set("txtPassword", "Text", password + "?");
    form.click("cmdok");
    expect("wrong password refused", messages.pop(), "密码不正确！");
    form.set("txtPassword", "Text", password);
    form.click("cmdok");
    expect("progress", form.get("lblmsg", "Caption"), "加载完成！");
    seen.picture = form.get("picshow", "Picture");
    seen.size = form.get("picshow", "PictureWidth") + "x" + form.get("picshow", "PictureHeight");
    form.click("cmdthis");
  } else if (form.name === "FrmShowElectronSealInfo") {
    seen.label = form.get("lblmsg", "Caption");
    seen.lines = form.items("lisMsg");
    form.click("cmdok");
  }
};

control.ActiveForm = page;
control.GetSetType = "1";
control.ServerFilePath = name;
control.DownFileFromServer();

control.ElectronSeal("GetSealList", "GetSealPicture");
expect("owner offered", seen.owners.indexOf(owner) >= 0, true);
host.print("seal of " + owner + " loaded from " + seen.picture + " (" + seen.size + " pixels)");
expect("decrypted picture gone", host.file.exists(seen.picture), false);
var shapes = host.word.ActiveDocument.Shapes;
var mark = shapes.Item(shapes.Count);
host.print("placed " + mark.Name + " in front of the text");
expect("no complaint", messages.length, 0);

control.CheckElectronSeal();
expect("one valid seal", seen.label, "本文档有效盖章列表:(共1个)");
host.print(seen.lines[0]);

control.UploadFileToServer("");
expect("upload reported", messages.pop(), "保存数据到服务器完成!");

// A fresh download: the seal comes back with the lists the server keeps for the document.
seen.lines = [];
control.DownFileFromServer();
control.CheckElectronSeal();
expect("the seal listed again", seen.lines[seen.lines.length - 1].indexOf("盖章人姓名:" + owner + "  盖章日期:") > 0,
       true);
host.print("after a fresh download: " + seen.lines.join(" / "));
control.WordClose(false, true);
