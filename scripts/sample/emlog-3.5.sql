-- A small blog of emlog 3.5.2, in the tables its installer (src/install.php) made: MyISAM, utf8
-- (3-byte: nothing outside the BMP). Loaded whole by load-emlog.sh (VERSION 3.5); README.md lists what
-- its rows are here for. The blog's address (blogurl) is http://old.example.net/blog/, its addresses
-- static (isurlrewrite 1: post-N.html).

CREATE TABLE {prefix}blog (
  gid mediumint(8) unsigned NOT NULL auto_increment,
  title varchar(255) NOT NULL default '',
  date bigint(20) NOT NULL,
  content longtext NOT NULL,
  excerpt longtext NOT NULL,
  author int(10) NOT NULL default '1',
  sortid tinyint(3) NOT NULL default '-1',
  type varchar(20) NOT NULL default 'blog',
  views mediumint(8) unsigned NOT NULL default '0',
  comnum mediumint(8) unsigned NOT NULL default '0',
  tbcount mediumint(8) unsigned NOT NULL default '0',
  attnum mediumint(8) unsigned NOT NULL default '0',
  top enum('n','y') NOT NULL default 'n',
  hide enum('n','y') NOT NULL default 'n',
  allow_remark enum('n','y') NOT NULL default 'y',
  allow_tb enum('n','y') NOT NULL default 'y',
  password varchar(255) NOT NULL default '',
  PRIMARY KEY  (gid),
  KEY date (date),
  KEY author (author),
  KEY sortid (sortid),
  KEY type (type),
  KEY hide (hide)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}attachment (
  aid smallint(5) unsigned NOT NULL auto_increment,
  blogid mediumint(8) unsigned NOT NULL default '0',
  filename varchar(255) NOT NULL default '',
  filesize int(10) NOT NULL default '0',
  filepath varchar(255) NOT NULL default '',
  addtime bigint(20) NOT NULL,
  PRIMARY KEY  (aid),
  KEY blogid (blogid)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}comment (
  cid mediumint(8) unsigned NOT NULL auto_increment,
  gid mediumint(8) unsigned NOT NULL default '0',
  date bigint(20) NOT NULL,
  poster varchar(20) NOT NULL default '',
  comment text NOT NULL,
  reply text NOT NULL,
  mail varchar(60) NOT NULL default '',
  url varchar(75) NOT NULL default '',
  ip varchar(128) NOT NULL default '',
  hide enum('n','y') NOT NULL default 'n',
  PRIMARY KEY  (cid),
  KEY gid (gid),
  KEY hide (hide)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}options (
option_id INT( 11 ) UNSIGNED NOT NULL auto_increment,
option_name VARCHAR( 255 ) NOT NULL ,
option_value LONGTEXT NOT NULL ,
PRIMARY KEY (option_id),
KEY option_name (option_name)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}link (
  id smallint(4) unsigned NOT NULL auto_increment,
  sitename varchar(30) NOT NULL default '',
  siteurl varchar(75) NOT NULL default '',
  description varchar(255) NOT NULL default '',
  taxis smallint(4) unsigned NOT NULL default '0',
  PRIMARY KEY  (id)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}tag (
  tid mediumint(8) unsigned NOT NULL auto_increment,
  tagname varchar(60) NOT NULL default '',
  gid text NOT NULL,
  PRIMARY KEY  (tid),
  KEY tagname (tagname)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}sort (
  sid tinyint(3) unsigned NOT NULL auto_increment,
  sortname varchar(255) NOT NULL default '',
  taxis tinyint(3) NOT NULL default '0',
  PRIMARY KEY  (sid)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}trackback (
  tbid mediumint(8) unsigned NOT NULL auto_increment,
  gid mediumint(8) unsigned NOT NULL default '0',
  title varchar(255) NOT NULL default '',
  date bigint(20) NOT NULL,
  excerpt text NOT NULL,
  url varchar(255) NOT NULL default '',
  blog_name varchar(255) NOT NULL default '',
  ip varchar(16) NOT NULL default '',
  PRIMARY KEY  (tbid),
  KEY gid (gid)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}twitter (
id INT NOT NULL AUTO_INCREMENT,
content text NOT NULL,
author int(10) NOT NULL default '1',
date bigint(20) NOT NULL,
replynum mediumint(8) unsigned NOT NULL default '0',
PRIMARY KEY (id),
KEY author (author)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}reply (
  id mediumint(8) unsigned NOT NULL auto_increment,
  tid mediumint(8) unsigned NOT NULL default '0',
  date bigint(20) NOT NULL,
  name varchar(20) NOT NULL default '',
  content text NOT NULL,
  hide enum('n','y') NOT NULL default 'n',
  ip varchar(128) NOT NULL default '',
  PRIMARY KEY  (id),
  KEY gid (tid),
  KEY hide (hide)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}user (
  uid tinyint(3) unsigned NOT NULL auto_increment,
  username varchar(32) NOT NULL default '',
  password varchar(64) NOT NULL default '',
  nickname varchar(20) NOT NULL default '',
  role varchar(60) NOT NULL default '',
  photo varchar(255) NOT NULL default '',
  email varchar(60) NOT NULL default '',
  description varchar(255) NOT NULL default '',
PRIMARY KEY  (uid),
KEY username (username)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

-- Settings: the menu is the option navibar, the pages it shows by gid in its order (6 hidden, 5 leads
-- to an address of its own in a new window); the time zone is 3.x's number of hours.
INSERT INTO {prefix}options (option_name, option_value) VALUES
  ('blogname', '老张的小站'),
  ('bloginfo', '十年前的博客'),
  ('site_key', 'emlog,3.5'),
  ('blogurl', 'http://old.example.net/blog/'),
  ('icp', ''),
  ('index_lognum', '10'),
  ('isurlrewrite', '1'),
  ('istwitter', 'y'),
  ('timezone', '8'),
  ('navibar', 'a:4:{i:4;a:4:{s:5:"title";s:12:"关于本站";s:3:"url";s:0:"";s:8:"is_blank";s:0:"";s:4:"hide";s:1:"n";}i:5;a:4:{s:5:"title";s:9:"留言板";s:3:"url";s:34:"http://guestbook.example.org/zhang";s:8:"is_blank";s:6:"_blank";s:4:"hide";s:1:"n";}i:6;a:4:{s:5:"title";s:9:"草稿页";s:3:"url";s:0:"";s:8:"is_blank";s:0:"";s:4:"hide";s:1:"y";}i:7;a:4:{s:5:"title";s:12:"相册 & 图";s:3:"url";s:0:"";s:8:"is_blank";s:0:"";s:4:"hide";s:1:"n";}}');

-- The blog's one administrator and a writer. Their passwords are phpass hashes, as in the pro sample.
INSERT INTO {prefix}user (uid, username, password, nickname, role, photo, email, description) VALUES
  (1, 'zhang', '$P$BOznooMwblEx7Df/dM4dBUGhYzx/sK1', '老张', 'admin', '', 'zhang@example.net', '站长'),
  (2, 'xiaoli', '$P$BvaqOXOPZjFbSiabXVYSuNoVLVqwaZ0', '小李', 'writer', '', 'xiaoli@example.net', '');

INSERT INTO {prefix}sort (sid, sortname, taxis) VALUES
  (1, '生活', 1),
  (2, '技术', 2);

-- 1 links to the others in each form 3.5 wrote (dynamic and static addresses, a category, a tag,
-- a page, the home page); 3 has trackbacks; 4 to 7 are the pages navibar shows (6 is hidden there).
INSERT INTO {prefix}blog (gid, title, date, content, excerpt, author, sortid, type, views, comnum, tbcount, attnum, top, hide, allow_remark, allow_tb, password) VALUES
  -- 2010-03-01 10:00:00 +08:00
  (1, '搬家前的第一篇', 1267408800,
   '<p>见<a href="http://old.example.net/blog/?post=2">第二篇</a>和<a href="http://old.example.net/blog/post-3.html">第三篇</a>，'
   '<a href="http://old.example.net/blog/?sort=2">技术</a>分类，<a href="http://old.example.net/blog/?tag=emlog">emlog</a>标签，'
   '<a href="http://old.example.net/blog/?post=4">关于本站</a>，回<a href="http://old.example.net/blog/">首页</a>。</p>',
   '', 1, 1, 'blog', 30, 2, 0, 0, 'n', 'n', 'y', 'y', ''),
  -- 2010-04-01 10:00:00 +08:00, by the writer
  (2, '第二篇：PHP 5.2', 1270087200, '<p>升级到 PHP 5.2。</p>', '', 2, 2, 'blog', 12, 0, 0, 0, 'n', 'n', 'y', 'y', ''),
  -- 2010-05-01 10:00:00 +08:00
  (3, '被引用的文章', 1272679200, '<p>别的博客引用了这篇。</p>', '', 1, -1, 'blog', 8, 1, 2, 0, 'n', 'n', 'y', 'y', ''),
  (4, '关于本站', 1262311200, '<p>老张的小站。</p>', '', 1, -1, 'page', 5, 0, 0, 0, 'n', 'n', 'y', 'n', ''),
  (5, '留言板', 1262311200, '<p>留言请去新的留言板。</p>', '', 1, -1, 'page', 3, 0, 0, 0, 'n', 'n', 'y', 'n', ''),
  (6, '草稿页', 1262311200, '<p>还没写完。</p>', '', 1, -1, 'page', 0, 0, 0, 0, 'n', 'n', 'y', 'n', ''),
  (7, '相册 & 图', 1262311200, '<p>照片。</p>', '', 1, -1, 'page', 0, 0, 0, 0, 'n', 'n', 'y', 'n', '');

-- The blogger's answer lives inside the comment it answers (reply): 1 answered, 2 not, 3 hidden with
-- its answer, 4 answered with markup and a line break, which emlog showed as text.
INSERT INTO {prefix}comment (cid, gid, date, poster, comment, reply, mail, url, ip, hide) VALUES
  (1, 1, 1267412400, '路人甲', '写得好！', '谢谢捧场。', 'jia@example.com', '', '10.0.0.1', 'n'),
  (2, 1, 1267416000, '路人乙', '沙发没了', '', '', 'http://yi.example.com/', '10.0.0.2', 'n'),
  (3, 2, 1270090800, '广告', '便宜卖', '别发广告', 'ad@example.com', '', '10.0.0.3', 'y'),
  (4, 3, 1272682800, '读者', '引用是什么？', '别人的博客<b>提到</b>这篇\n就会出现在下面', 'reader@example.com', '', '10.0.0.4', 'n');

-- Other blogs' trackbacks on article 3.
INSERT INTO {prefix}trackback (tbid, gid, title, date, excerpt, url, blog_name, ip) VALUES
  (1, 3, '我也谈谈引用', 1272686400, '老张说得对 & 有道理', 'http://other.example.org/post/9', '隔壁博客', '192.0.2.10'),
  (2, 3, '<b>转载</b>', 1272690000, '摘要 <script>x</script>', 'http://third.example.com/?p=3', 'Third "Blog"', '192.0.2.11');

INSERT INTO {prefix}tag (tid, tagname, gid) VALUES
  (1, 'emlog', ',1,3,'),
  (2, 'PHP', ',2,');

INSERT INTO {prefix}link (id, sitename, siteurl, description, taxis) VALUES
  (1, 'emlog', 'http://www.emlog.net', 'emlog官方主页', 0);

-- 微语 of 3.5 and a reply.
INSERT INTO {prefix}twitter (id, content, author, date, replynum) VALUES
  (1, '3.5 的第一条微语', 1, 1267500000, 1);
INSERT INTO {prefix}reply (id, tid, date, name, content, hide, ip) VALUES
  (1, 1, 1267503600, '路人甲', '回复微语', 'n', '10.0.0.1');
